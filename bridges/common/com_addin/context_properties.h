#pragma once
// IContext's property operations on the add-in's own properties, as the Internet Explorer
// server serves them: a name the object does not know is DISP_E_MEMBERNOTFOUND; a property
// that cannot be read (written) yields that query's success and leaves the value as it is.

#include <windows.h>
#include <oaidl.h>

#include "com_addin_interfaces.h"

namespace com_addin {

// E_FAIL without an extender.
HRESULT context_get_property(ILanguageExtenderCom* extender, BSTR name, VARIANT* value);
HRESULT context_set_property(ILanguageExtenderCom* extender, BSTR name, VARIANT* value);

}  // namespace com_addin
