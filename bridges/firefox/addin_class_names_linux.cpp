#include "addin_class_names.h"

bool addin_class_names(AddInComponentType kind, const wcstring& path, const char* /*fallbackName*/,
                       std::vector<wcstring>& names) {
    if (kind != eAddInNative) return false;  // this build loads no COM add-ins
    return native_class_names(path, names);
}
