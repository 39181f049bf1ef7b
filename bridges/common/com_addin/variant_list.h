#pragma once
// Parameter lists as the bridges hand them to a COM add-in and read them back: one-dimensional
// SAFEARRAYs of VARIANT. Reading an element of any other array into a VARIANT copies the
// element's own bytes: past the VARIANT when they are larger, or as a type and a pointer that
// the add-in chose, which clearing the VARIANT then frees or releases.

#include <windows.h>
#include <oaidl.h>

namespace com_addin {

// A one-dimensional array whose elements are VARIANTs; false for null.
bool is_variant_list(SAFEARRAY* list);

// A new list of `count` VT_EMPTY VARIANTs with lower bound 0; null when there is no memory or
// when `count` is negative or too large for an array's 32-bit size (the platform's arithmetic
// would wrap it to a small block).
SAFEARRAY* create_variant_list(long count);
bool variant_list_fits(long count);

}  // namespace com_addin
