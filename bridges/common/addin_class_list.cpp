#include "ComponentBase.h"
#include "addin_library.h"

bool read_class_list(const std::string& utf8Path, const Utf16String& path, Utf16String& list) {
    HMODULE lib = open_library(utf8Path);
    if (lib == nullptr) return false;
    GetClassNamesPtr getClassNames =
        reinterpret_cast<GetClassNamesPtr>(library_symbol(lib, "GetClassNames"));
    if (getClassNames != nullptr) {
        const uint16_t* names = getClassNames();
        list.assign(names != nullptr ? names : reinterpret_cast<const uint16_t*>(u""));
    } else {
        list = path;
    }
    close_library(lib);
    return true;
}

std::vector<Utf16String> split_class_names(const Utf16String& list) {
    std::vector<Utf16String> names;
    size_t start = 0;
    for (;;) {
        const size_t bar = list.find(static_cast<uint16_t>('|'), start);
        if (bar == Utf16String::npos) {
            names.push_back(list.substr(start));
            return names;
        }
        names.push_back(list.substr(start, bar - start));
        start = bar + 1;
    }
}
