#pragma once
// Calling a method of the page's listener (a script object) by name: GetIDsOfNames on every
// call, then Invoke with the arguments in their listed order.

#include <windows.h>
#include <oaidl.h>

// E_NOINTERFACE without a listener; otherwise the failure of GetIDsOfNames or the HRESULT of
// Invoke. `result`, when given, receives the page's answer unless it is VT_EMPTY.
HRESULT call_listener(IDispatch* listener, const wchar_t* method, VARIANT* arguments,
                      UINT count, VARIANT* result);

// A VARIANT that lends a BSTR to a call (nothing is copied, nothing freed).
VARIANT lent_bstr(BSTR text);
