#pragma once
// IContext::call as the Internet Explorer server's and the Chrome host's connection objects
// serve it: a method of the add-in called by name with a VARIANT holding a SAFEARRAY of
// VARIANT, whose array is replaced afterwards by the parameters as the add-in left them.

#include <windows.h>
#include <oaidl.h>

#include "com_addin_interfaces.h"

namespace com_addin {

// `params` and `result` may be null. A `params` that holds a single value rather than an
// array counts as a list of that one value.
HRESULT context_call(ILanguageExtenderCom* extender, BSTR name, VARIANT* params,
                     VARIANT* result);

}  // namespace com_addin
