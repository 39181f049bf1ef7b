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

// True when the library could be opened (its class names then get the "AddIn." prefix).
bool com_class_list(const std::wstring& path, std::wstring* list) {
    const com_addin::LibraryClasses classes =
        com_addin::read_library_classes(path, com_addin::ClassListRead::eWide);
    *list = classes.text.empty() ? path : classes.text;
    return classes.loaded;
}

}  // namespace

AddInSource addin_source(const std::wstring& url, AddInComponentType kind) {
    AddInSource source;
    source.registeredClass = kind == eAddInCom && com_addin::is_registered_progid(url);
    source.path = source.registeredClass ? url : own_addin_library_path();
    return source;
}

bool addin_class_list(const AddInSource& source, AddInComponentType kind, ClassList* list) {
    list->addInPrefix = false;
    if (kind == eAddInNative) return native_class_list(source.path, &list->text);
    if (source.registeredClass) {
        list->text = source.path;  // the one class, as it is: no module is loaded for it
        return true;
    }
    list->addInPrefix = com_class_list(source.path, &list->text);
    return true;
}

std::vector<std::wstring> split_class_list(const ClassList& classList) {
    com_addin::LibraryClasses classes;
    classes.loaded = classList.addInPrefix;
    classes.text = classList.text;
    return com_addin::class_progids(classes, classList.text, com_addin::EmptyClassNames::eSkip);
}
