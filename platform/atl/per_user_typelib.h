#pragma once
// Registering a type library for the current user: OLE Automation's per-user functions,
// looked up by name because not every system (nor every set of headers) has them; the
// machine-wide ones where they are missing.

#include <windows.h>
#include <oaidl.h>

namespace velmor_atl {

HRESULT register_type_library_for_user(ITypeLib* library, const wchar_t* path,
                                       const wchar_t* helpDirectory);
HRESULT unregister_type_library_for_user(REFGUID libid, WORD major, WORD minor, LCID locale,
                                         SYSKIND kind);

}  // namespace velmor_atl
