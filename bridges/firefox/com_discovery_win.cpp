#include "com_discovery.h"

#include "firefox_config.h"
#include "library_discovery.h"

bool com_addin_classes(const wcstring& path, std::vector<wcstring>& progIds) {
    if (path.empty()) return false;
    const std::wstring library(reinterpret_cast<const wchar_t*>(path.c_str()), path.size());
    const com_addin::LibraryClasses classes =
        com_addin::read_library_classes(library, com_addin::ClassListRead::eNarrowUtf8);
    // Without a class list the configured file name stands for the one class.
    const wcstring fileName = utf16_of(nameFileComponent);
    const std::wstring fallback(reinterpret_cast<const wchar_t*>(fileName.c_str()),
                                fileName.size());
    for (const std::wstring& progId : com_addin::class_progids(
             classes, fallback, com_addin::EmptyClassNames::eKeep)) {
        progIds.emplace_back(reinterpret_cast<const char16_t*>(progId.c_str()), progId.size());
    }
    return true;
}
