// A shared library that is no component: it exports no NSModule.

#include "nsxpcom_abi.h"

extern "C" NS_EXPORT_ABI int not_a_component() { return 0; }
