#include "variant_list.h"

#include <oleauto.h>

namespace com_addin {

namespace {

// An array's size is counted in 32 bits, its descriptor and the platform's own header with it.
constexpr ULONGLONG kLargestArrayBytes = 0xFFFFFFFFull;
constexpr ULONGLONG kArrayOverhead = sizeof(SAFEARRAY) + 64;

}  // namespace

bool is_variant_list(SAFEARRAY* list) {
    VARTYPE type = VT_EMPTY;
    return list != nullptr && SafeArrayGetDim(list) == 1 && list->cbElements == sizeof(VARIANT) &&
           SUCCEEDED(SafeArrayGetVartype(list, &type)) && type == VT_VARIANT;
}

bool variant_list_fits(long count) {
    return count >= 0 &&
           static_cast<ULONGLONG>(count) * sizeof(VARIANT) <= kLargestArrayBytes - kArrayOverhead;
}

SAFEARRAY* create_variant_list(long count) {
    if (!variant_list_fits(count)) return nullptr;
    return SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count));
}

}  // namespace com_addin
