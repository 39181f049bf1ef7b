#pragma once
// A COM add-in's HRESULT as the result of an XPCOM operation: the few codes the page can tell
// apart keep their value, every other one (success codes besides S_OK included) is a failure.

#include <windows.h>

#include "nscore.h"

nsresult hresult_to_nsresult(HRESULT hr);
