#include "library_classes.h"

#include <windows.h>
#include <objbase.h>

#include <cstdlib>

#include "ComponentBase.h"
#include "bridge_config.h"
#include "library_discovery.h"
#include "own_addin_library.h"
#include "server_text.h"

namespace {

bool native_class_list(const std::wstring& path, std::wstring* list) {
    HMODULE library = LoadLibraryA(thread_ansi(path.c_str()).c_str());
    if (library == nullptr) return false;
    auto names = reinterpret_cast<GetClassNamesPtr>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetClassNames")));
    const uint16_t* text = names != nullptr ? names() : nullptr;
    *list = text != nullptr ? std::wstring(reinterpret_cast<const wchar_t*>(text)) : path;
    FreeLibrary(library);
    return true;
}

}  // namespace

bool addin_classes(const std::wstring& url, AddInComponentType kind, std::wstring* path,
                   ClassList* list) {
    list->addInPrefix = false;
    if (kind == eAddInNative) {
        *path = own_addin_library_path();
        return native_class_list(*path, &list->text);
    }
    const com_addin::LibraryClasses classes = com_addin::location_classes(
        url, own_addin_library_path(), com_addin::ClassListRead::eWide, path);
    list->text = classes.text.empty() ? *path : classes.text;
    list->addInPrefix = classes.loaded;
    return true;
}

std::vector<std::wstring> split_class_list(const ClassList& classList) {
    com_addin::LibraryClasses classes;
    classes.loaded = classList.addInPrefix;
    classes.text = classList.text;
    return com_addin::class_progids(classes, classList.text, com_addin::EmptyClassNames::eSkip);
}
