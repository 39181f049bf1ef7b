#pragma once
// The class names of the add-in library at `path` (UTF-16), by add-in kind, as the service
// loads it: a native library's class list split at "|" (empty pieces kept); on Windows a COM
// library's ProgIDs ("AddIn." + each name of its string resource 100, or `fallbackName` alone
// when it has none or does not load). One source per platform: only Windows knows COM add-ins.

#include <vector>

#include "addinlib.h"
#include "utf16_text.h"

// False when the library does not open (native) or the kind is not served here.
bool addin_class_names(AddInComponentType kind, const wcstring& path, const char* fallbackName,
                       std::vector<wcstring>& names);

// A native library's class names (addin_class_names.cpp, for every platform); false when the
// library does not open.
bool native_class_names(const wcstring& path, std::vector<wcstring>& names);
