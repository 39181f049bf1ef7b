#pragma once
// The adapter class that only one platform's build has: its entries in the module's tables,
// or terminating entries on a platform without one. One source per platform.

#include "mozilla/Module.h"

extern const mozilla::Module::CIDEntry kPlatformAdapterCID;
extern const mozilla::Module::ContractIDEntry kPlatformAdapterContract;
