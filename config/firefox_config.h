#pragma once
// The Firefox component's registration constants: the contract and class identifiers of its
// classes (the class names are registered nowhere). One source per deliverable defines them,
// beside the bridge's file names and add-in kind (bridge_config.h). The library exports them.

#include "bridge_config.h"
#include "nsID.h"
#include "nscore.h"

extern NS_EXPORT_ABI const char ADDINSERVICEEX_CONTRACTID[];
extern NS_EXPORT_ABI const char ADDINSERVICEEX_CLASSNAME[];
extern NS_EXPORT_ABI const nsID ADDINSERVICEEX_CID;
extern NS_EXPORT_ABI const char ADDINSITE_CONTRACTID[];
extern NS_EXPORT_ABI const char ADDINSITE_CLASSNAME[];
extern NS_EXPORT_ABI const nsID ADDINSITE_CID;
extern NS_EXPORT_ABI const char ADAPTERNATIVE_CONTRACTID[];
extern NS_EXPORT_ABI const char ADAPTERNATIVE_CLASSNAME[];
extern NS_EXPORT_ABI const nsID ADAPTERNATIVE_CID;
