#pragma once
// The component and service managers: the classes and contract IDs of registered module
// records, the objects made from them, and the one object per class asked for as a service.

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "mozilla/Module.h"
#include "nsCOMPtr.h"
#include "nsIComponentManager.h"
#include "nsIServiceManager.h"
#include "nsISupportsImpl.h"

namespace xpcom_runtime {

struct CidLess {
    bool operator()(const nsCID& a, const nsCID& b) const {
        return std::memcmp(&a, &b, sizeof(nsCID)) < 0;
    }
};

class ComponentManager final : public nsIComponentManager, public nsIServiceManager {
public:
    NS_DECL_THREADSAFE_ISUPPORTS

    // nsIComponentManager
    NS_IMETHOD GetClassObject(const nsCID& aClass, const nsIID& aIID, void** aResult) override;
    NS_IMETHOD GetClassObjectByContractID(const char* aContractID, const nsIID& aIID,
                                          void** aResult) override;
    NS_IMETHOD CreateInstance(const nsCID& aClass, nsISupports* aDelegate, const nsIID& aIID,
                              void** aResult) override;
    NS_IMETHOD CreateInstanceByContractID(const char* aContractID, nsISupports* aDelegate,
                                          const nsIID& aIID, void** aResult) override;
    NS_IMETHOD AddBootstrappedManifestLocation(nsIFile* aLocation) override;
    NS_IMETHOD RemoveBootstrappedManifestLocation(nsIFile* aLocation) override;
    NS_IMETHOD GetManifestLocations(nsISimpleEnumerator** _retval) override;

    // nsIServiceManager
    NS_IMETHOD GetService(const nsCID& aClass, const nsIID& aIID, void** aResult) override;
    NS_IMETHOD GetServiceByContractID(const char* aContractID, const nsIID& aIID,
                                      void** aResult) override;
    NS_IMETHOD IsServiceInstantiated(const nsCID& aClass, const nsIID& aIID,
                                     bool* _retval) override;
    NS_IMETHOD IsServiceInstantiatedByContractID(const char* aContractID, const nsIID& aIID,
                                                 bool* _retval) override;

    /// Registers the class and contract rows of a record that apply to the main process.
    /// A class already registered keeps its first registration; a contract ID registered
    /// again points at the later class.
    void register_module(const mozilla::Module& module);
    /// Releases every service, newest first, then calls the records' unload hooks.
    void shut_down();

private:
    struct ClassEntry {
        const mozilla::Module* module;
        const mozilla::Module::CIDEntry* entry;
    };

    ~ComponentManager() = default;

    bool find_class(const nsCID& cid, ClassEntry& found) const;
    bool find_contract(const char* contract_id, nsCID& found) const;
    // With m_lock held: the service made for `cid`, or null.
    nsCOMPtr<nsISupports> find_service(const nsCID& cid) const;
    nsresult make_factory(const ClassEntry& entry, nsIFactory** factory) const;

    mutable std::mutex m_lock;
    std::map<nsCID, ClassEntry, CidLess> m_classes;
    std::map<std::string, nsCID> m_contracts;
    std::vector<const mozilla::Module*> m_modules;
    std::vector<std::pair<nsCID, nsCOMPtr<nsISupports>>> m_services;
    bool m_shutdown = false;
};

}  // namespace xpcom_runtime
