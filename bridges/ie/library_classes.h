#pragma once
// Finding an add-in library and the classes it offers, for the service's loader.

#include <string>
#include <vector>

#include "addinlib.h"

// Where the loader takes an add-in's classes from. Text from a page is never a file name:
// a native add-in is always the file beside the server's own file (found by the server's
// configured file name); a COM add-in is that file too, unless the page's location is a
// registered ProgID, which then names the one class, for COM to create from its own record.
struct AddInSource {
    std::wstring path;             // the library's full path, or the ProgID
    bool registeredClass = false;  // `path` is a registered ProgID: nothing is loaded for it
};
AddInSource addin_source(const std::wstring& url, AddInComponentType kind);

// The "|"-separated class list: from the native library's GetClassNames, from the COM
// library's self-registration and string 100 ("AddIn." + each class), or the registered
// ProgID itself. False when a native library cannot be loaded.
struct ClassList {
    std::wstring text;
    bool addInPrefix = false;  // a COM library that could be opened: its names become ProgIDs
};
bool addin_class_list(const AddInSource& source, AddInComponentType kind, ClassList* list);

// The pieces of the list, prefixed when it says so; empty pieces are skipped.
std::vector<std::wstring> split_class_list(const ClassList& list);
