#include "addin_class_names.h"

#include "library_discovery.h"

namespace {

// The library registers itself for the user; its string 100 is read narrow, as UTF-8. Not
// finding the library is no failure here: the sites then fail to connect.
void com_class_names(const wcstring& path, const char* fallbackName,
                     std::vector<wcstring>& names) {
    const std::wstring widePath(path.begin(), path.end());
    const com_addin::LibraryClasses classes =
        com_addin::read_library_classes(widePath, com_addin::ClassListRead::eNarrowUtf8);
    const wcstring fallback = utf16_of(fallbackName != nullptr ? fallbackName : "");
    for (const std::wstring& progId :
         com_addin::class_progids(classes, std::wstring(fallback.begin(), fallback.end()),
                                  com_addin::EmptyClassNames::eKeep)) {
        names.emplace_back(progId.begin(), progId.end());
    }
}

}  // namespace

bool addin_class_names(AddInComponentType kind, const wcstring& path, const char* fallbackName,
                       std::vector<wcstring>& names) {
    switch (kind) {
        case eAddInNative: return native_class_names(path, names);
        case eAddInCom: com_class_names(path, fallbackName, names); return true;
        default: return false;
    }
}
