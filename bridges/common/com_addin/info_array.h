#pragma once
// The information array that a bridge hands to IInitDoneCom::GetInfo, and the add-in's
// version read back from it.

#include <windows.h>
#include <oaidl.h>

namespace com_addin {

// One dimension of 3 VT_EMPTY VARIANTs, lower bound 0; null when it cannot be made.
SAFEARRAY* create_info_array();

// Element 0 as a 32-bit integer: converted when it can be, else the low 32 bits of its value
// as they stand; 0 when the array has no element 0.
long info_array_version(SAFEARRAY* info);

}  // namespace com_addin
