#pragma once
// Finding an add-in library and the classes it offers, for the service's loader.

#include <string>
#include <vector>

#include "addinlib.h"

// The page's location when it names a registered COM class, else the add-in file beside the
// server's own file (found by the server's configured file name).
std::wstring addin_library_path(const std::wstring& url);

// The library's "|"-separated class list: from GetClassNames for a native library, from the
// COM add-in's self-registration and string 100 for a COM one ("AddIn." + each class). False
// when a native library cannot be loaded.
struct ClassList {
    std::wstring text;
    bool addInPrefix = false;  // a COM library that could be opened: its names become ProgIDs
};
bool addin_class_list(const std::wstring& path, AddInComponentType kind, ClassList* list);

// The pieces of the list, prefixed when it says so; empty pieces are skipped.
std::vector<std::wstring> split_class_list(const ClassList& list);
