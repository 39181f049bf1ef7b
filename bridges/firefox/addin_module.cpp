#include "addin_module.h"

#include "adapter_cpp.h"
#include "addin_service.h"
#include "addin_site.h"
#include "firefox_config.h"
#include "module_constructor.h"
#include "platform_adapters.h"

namespace {

// The module's own copies of the configured class identifiers (dynamic initialisation: the
// configuration's values come from another source).
const nsID kADDINSERVICEEX_CID = ADDINSERVICEEX_CID;
const nsID kADDINSITE_CID = ADDINSITE_CID;
const nsID kADAPTERNATIVE_CID = ADAPTERNATIVE_CID;

nsresult AddInServiceExConstructor(nsISupports* aOuter, const nsIID& aIID, void** aResult) {
    return construct<AddInServiceEx>(aOuter, aIID, aResult);
}
nsresult AddInSiteConstructor(nsISupports* aOuter, const nsIID& aIID, void** aResult) {
    return construct<AddInSite>(aOuter, aIID, aResult);
}
nsresult AdapterCppConstructor(nsISupports* aOuter, const nsIID& aIID, void** aResult) {
    return construct<AdapterCpp>(aOuter, aIID, aResult);
}

const mozilla::Module::CIDEntry kAddInCIDs[] = {
    {&kADDINSERVICEEX_CID, false, nullptr, AddInServiceExConstructor, mozilla::Module::ANY_PROCESS},
    {&kADDINSITE_CID, false, nullptr, AddInSiteConstructor, mozilla::Module::ANY_PROCESS},
    {&kADAPTERNATIVE_CID, false, nullptr, AdapterCppConstructor, mozilla::Module::ANY_PROCESS},
    kPlatformAdapterCID,
    {nullptr, false, nullptr, nullptr, mozilla::Module::ANY_PROCESS}};

const mozilla::Module::ContractIDEntry kAddInContracts[] = {
    {ADDINSERVICEEX_CONTRACTID, &kADDINSERVICEEX_CID, mozilla::Module::ANY_PROCESS},
    {ADDINSITE_CONTRACTID, &kADDINSITE_CID, mozilla::Module::ANY_PROCESS},
    {ADAPTERNATIVE_CONTRACTID, &kADAPTERNATIVE_CID, mozilla::Module::ANY_PROCESS},
    kPlatformAdapterContract,
    {nullptr, nullptr, mozilla::Module::ANY_PROCESS}};

const mozilla::Module::CategoryEntry kAddInCategories[] = {{nullptr, nullptr, nullptr}};

}  // namespace

mozilla::Module kAddInModule = {mozilla::Module::kVersion, kAddInCIDs, kAddInContracts,
                                kAddInCategories, nullptr, nullptr, nullptr};

void set_module_version(unsigned version) { kAddInModule.mVersion = version; }

NSMODULE_DEFN(AddInModule) = &kAddInModule;
