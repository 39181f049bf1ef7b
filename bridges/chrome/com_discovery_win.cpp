// The loader's discovery of a COM add-in library's classes, through the steps that the Windows
// bridges share (bridges/common/com_addin).
#include <windows.h>
#include <objbase.h>

#include <string>

#include "com_addins.h"
#include "library_discovery.h"

namespace {

std::wstring wide(const UnicodeString& text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

UnicodeString unicode(const std::wstring& text) {
    return UnicodeString(reinterpret_cast<const UnicodeChar*>(text.data()), text.size());
}

}  // namespace

void com_addin_classes(const UnicodeString& location, const UnicodeString& defaultPath,
                       UnicodeString& path, std::vector<UnicodeString>& progIds) {
    // The apartment that every adapter's connect joins as well; the host never leaves it.
    CoInitialize(nullptr);
    // A location that is a ProgID loads no library: it becomes the one class, unchanged.
    std::wstring library;
    const com_addin::LibraryClasses classes = com_addin::location_classes(
        wide(location), wide(defaultPath), com_addin::ClassListRead::eWide, &library);
    path = unicode(library);
    progIds.clear();
    for (const std::wstring& progId :
         com_addin::class_progids(classes, library, com_addin::EmptyClassNames::eKeep)) {
        progIds.push_back(unicode(progId));
    }
}
