#pragma once
// The error report that a refused profile read leaves in the add-in's error log: source
// "Velmor", the bridge's description and code.

#include <windows.h>
#include <ocidl.h>

namespace com_addin {

// AddError's result; S_FALSE without an error log.
HRESULT report_profile_error(IErrorLog* log, LPCOLESTR name, const wchar_t* description,
                             long scode);

}  // namespace com_addin
