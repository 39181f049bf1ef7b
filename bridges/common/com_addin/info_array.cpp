#include "info_array.h"

namespace com_addin {

namespace {
constexpr ULONG kInfoElements = 3;
}

SAFEARRAY* create_info_array() { return SafeArrayCreateVector(VT_VARIANT, 0, kInfoElements); }

long info_array_version(SAFEARRAY* info) {
    if (info == nullptr || SafeArrayGetDim(info) != 1) return 0;
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(info, &type)) || type != VT_VARIANT) return 0;
    LONG index = 0;
    VARIANT element = {};  // a value type copied as it stands keeps no stale bits
    VariantInit(&element);
    if (FAILED(SafeArrayGetElement(info, &index, &element))) return 0;
    VARIANT converted = {};
    VariantInit(&converted);
    const long version = SUCCEEDED(VariantChangeType(&converted, &element, 0, VT_I4))
                             ? converted.lVal
                             : element.lVal;
    VariantClear(&converted);
    VariantClear(&element);
    return version;
}

}  // namespace com_addin
