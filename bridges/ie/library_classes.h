#pragma once
// Finding an add-in library and the classes it offers, for the service's loader.

#include <string>
#include <vector>

#include "addinlib.h"

// The "|"-separated class list and the library it came from. Text from a page is never a file
// name: a native add-in is always the file beside the server's own file (found by the server's
// configured file name), its list from GetClassNames; a COM add-in is that file too (its list
// from its self-registration and string 100, "AddIn." before each class), unless the page's
// location is a registered ProgID, which then is the one class and `*path`, for COM to create
// from its own record, with nothing loaded for it. False when a native library cannot be
// loaded.
struct ClassList {
    std::wstring text;
    bool addInPrefix = false;  // a COM library that could be opened: its names become ProgIDs
};
bool addin_classes(const std::wstring& url, AddInComponentType kind, std::wstring* path,
                   ClassList* list);

// The pieces of the list, prefixed when it says so; empty pieces are skipped.
std::vector<std::wstring> split_class_list(const ClassList& list);
