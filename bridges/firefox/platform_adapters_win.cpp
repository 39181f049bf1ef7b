#include "platform_adapters.h"

#include "adapter_com.h"
#include "firefox_config_com.h"
#include "module_constructor.h"

namespace {

nsresult AdapterCOMConstructor(nsISupports* aOuter, const nsIID& aIID, void** aResult) {
    return construct<AdapterCOM>(aOuter, aIID, aResult);
}

}  // namespace

const mozilla::Module::CIDEntry kPlatformAdapterCID = {
    &ADAPTERCOM_CID, false, nullptr, AdapterCOMConstructor, mozilla::Module::ANY_PROCESS};

const mozilla::Module::ContractIDEntry kPlatformAdapterContract = {
    ADAPTERCOM_CONTRACTID, &ADAPTERCOM_CID, mozilla::Module::ANY_PROCESS};
