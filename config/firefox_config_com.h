#pragma once
// The registration constants of the Windows build's COM adapter (contract and class
// identifiers); the Windows configuration defines them beside the others.

#include "nsID.h"
#include "nscore.h"

extern NS_EXPORT_ABI const char ADAPTERCOM_CONTRACTID[];
extern NS_EXPORT_ABI const char ADAPTERCOM_CLASSNAME[];
extern NS_EXPORT_ABI const nsID ADAPTERCOM_CID;
