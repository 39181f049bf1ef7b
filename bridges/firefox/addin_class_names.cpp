#include "addin_class_names.h"

#include "addin_library.h"

bool native_class_names(const wcstring& path, std::vector<wcstring>& names) {
    Utf16String list;
    if (!read_class_list(utf8_of(path.c_str()), Utf16String(units(path.c_str()), path.size()),
                         list)) {
        return false;
    }
    for (const Utf16String& name : split_class_names(list)) {
        names.emplace_back(chars(name.c_str()), name.size());
    }
    return true;
}
