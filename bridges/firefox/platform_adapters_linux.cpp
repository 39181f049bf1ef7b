#include "platform_adapters.h"

// The Linux build serves native add-ins only.
const mozilla::Module::CIDEntry kPlatformAdapterCID = {nullptr, false, nullptr, nullptr,
                                                       mozilla::Module::ANY_PROCESS};

const mozilla::Module::ContractIDEntry kPlatformAdapterContract = {
    nullptr, nullptr, mozilla::Module::ANY_PROCESS};
