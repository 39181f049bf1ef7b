// The component and service managers.

#include "component_manager.h"

#include "mozilla/GenericModule.h"
#include "nsIFactory.h"

namespace xpcom_runtime {

NS_IMPL_ADDREF(ComponentManager)
NS_IMPL_RELEASE(ComponentManager)
NS_INTERFACE_MAP_BEGIN(ComponentManager)
    NS_INTERFACE_MAP_ENTRY(nsIComponentManager)
    NS_INTERFACE_MAP_ENTRY(nsIServiceManager)
    NS_INTERFACE_MAP_ENTRY_AMBIGUOUS(nsISupports, nsIComponentManager)
NS_INTERFACE_MAP_END

namespace {

bool applies_here(mozilla::Module::ProcessSelector selector) {
    return selector == mozilla::Module::ANY_PROCESS ||
           selector == mozilla::Module::MAIN_PROCESS_ONLY;
}

}  // namespace

void ComponentManager::register_module(const mozilla::Module& module) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_modules.push_back(&module);
    for (const mozilla::Module::CIDEntry* e = module.mCIDs; e && e->cid; ++e) {
        if (applies_here(e->processSelector)) m_classes.emplace(*e->cid, ClassEntry{&module, e});
    }
    for (const mozilla::Module::ContractIDEntry* e = module.mContractIDs; e && e->contractid;
         ++e) {
        if (e->cid && applies_here(e->processSelector)) m_contracts[e->contractid] = *e->cid;
    }
}

void ComponentManager::shut_down() {
    std::vector<std::pair<nsCID, nsCOMPtr<nsISupports>>> services;
    std::vector<const mozilla::Module*> modules;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_shutdown = true;
        services.swap(m_services);
        modules = m_modules;
    }
    while (!services.empty()) services.pop_back();  // newest first, outside the lock
    for (const mozilla::Module* module : modules) {
        if (module->unloadProc) module->unloadProc();
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_classes.clear();
    m_contracts.clear();
    m_modules.clear();
}

bool ComponentManager::find_class(const nsCID& cid, ClassEntry& found) const {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_classes.find(cid);
    if (it == m_classes.end()) return false;
    found = it->second;
    return true;
}

bool ComponentManager::find_contract(const char* contract_id, nsCID& found) const {
    if (!contract_id) return false;
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_contracts.find(contract_id);
    if (it == m_contracts.end()) return false;
    found = it->second;
    return true;
}

nsCOMPtr<nsISupports> ComponentManager::find_service(const nsCID& cid) const {
    for (const auto& s : m_services) {
        if (s.first.Equals(cid)) return s.second;
    }
    return nullptr;
}

nsresult ComponentManager::make_factory(const ClassEntry& entry, nsIFactory** factory) const {
    nsCOMPtr<nsIFactory> result;
    if (entry.entry->getFactoryProc) {
        result = entry.entry->getFactoryProc(*entry.module, *entry.entry);
    } else if (entry.module->getFactoryProc) {
        result = entry.module->getFactoryProc(*entry.module, *entry.entry);
    } else if (entry.entry->constructorProc) {
        result = new mozilla::GenericFactory(entry.entry->constructorProc);
    }
    if (!result) return NS_ERROR_FACTORY_NOT_REGISTERED;
    result.forget(factory);
    return NS_OK;
}

NS_IMETHODIMP ComponentManager::GetClassObject(const nsCID& aClass, const nsIID& aIID,
                                               void** aResult) {
    if (!aResult) return NS_ERROR_NULL_POINTER;
    *aResult = nullptr;
    ClassEntry entry;
    if (!find_class(aClass, entry)) return NS_ERROR_FACTORY_NOT_REGISTERED;
    nsCOMPtr<nsIFactory> factory;
    nsresult rv = make_factory(entry, getter_AddRefs(factory));
    if (NS_FAILED(rv)) return rv;
    return factory->QueryInterface(aIID, aResult);
}

NS_IMETHODIMP ComponentManager::GetClassObjectByContractID(const char* aContractID,
                                                           const nsIID& aIID, void** aResult) {
    if (!aResult || !aContractID) return NS_ERROR_NULL_POINTER;
    *aResult = nullptr;
    nsCID cid;
    if (!find_contract(aContractID, cid)) return NS_ERROR_FACTORY_NOT_REGISTERED;
    return GetClassObject(cid, aIID, aResult);
}

NS_IMETHODIMP ComponentManager::CreateInstance(const nsCID& aClass, nsISupports* aDelegate,
                                               const nsIID& aIID, void** aResult) {
    if (!aResult) return NS_ERROR_NULL_POINTER;
    *aResult = nullptr;
    ClassEntry entry;
    if (!find_class(aClass, entry)) return NS_ERROR_FACTORY_NOT_REGISTERED;
    if (entry.entry->constructorProc && !entry.entry->getFactoryProc &&
        !entry.module->getFactoryProc) {
        return entry.entry->constructorProc(aDelegate, aIID, aResult);
    }
    nsCOMPtr<nsIFactory> factory;
    nsresult rv = make_factory(entry, getter_AddRefs(factory));
    if (NS_FAILED(rv)) return rv;
    return factory->CreateInstance(aDelegate, aIID, aResult);
}

NS_IMETHODIMP ComponentManager::CreateInstanceByContractID(const char* aContractID,
                                                           nsISupports* aDelegate,
                                                           const nsIID& aIID, void** aResult) {
    if (!aResult || !aContractID) return NS_ERROR_NULL_POINTER;
    *aResult = nullptr;
    nsCID cid;
    if (!find_contract(aContractID, cid)) return NS_ERROR_FACTORY_NOT_REGISTERED;
    return CreateInstance(cid, aDelegate, aIID, aResult);
}

NS_IMETHODIMP ComponentManager::AddBootstrappedManifestLocation(nsIFile*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP ComponentManager::RemoveBootstrappedManifestLocation(nsIFile*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP ComponentManager::GetManifestLocations(nsISimpleEnumerator** _retval) {
    if (_retval) *_retval = nullptr;
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP ComponentManager::GetService(const nsCID& aClass, const nsIID& aIID,
                                           void** aResult) {
    if (!aResult) return NS_ERROR_NULL_POINTER;
    *aResult = nullptr;
    nsCOMPtr<nsISupports> service;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_shutdown) return NS_ERROR_ILLEGAL_DURING_SHUTDOWN;
        service = find_service(aClass);
    }
    if (!service) {
        // Made outside the lock: a constructor may ask for other services.
        nsCOMPtr<nsISupports> made;
        nsresult rv = CreateInstance(aClass, nullptr, NS_GET_IID(nsISupports),
                                     getter_AddRefs(made));
        if (NS_FAILED(rv)) return rv;
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_shutdown) return NS_ERROR_ILLEGAL_DURING_SHUTDOWN;
        service = find_service(aClass);  // another thread may have been first
        if (!service) {
            m_services.emplace_back(aClass, made);
            service = made;
        }
    }
    return service->QueryInterface(aIID, aResult);
}

NS_IMETHODIMP ComponentManager::GetServiceByContractID(const char* aContractID,
                                                       const nsIID& aIID, void** aResult) {
    if (!aResult || !aContractID) return NS_ERROR_NULL_POINTER;
    *aResult = nullptr;
    nsCID cid;
    if (!find_contract(aContractID, cid)) return NS_ERROR_FACTORY_NOT_REGISTERED;
    return GetService(cid, aIID, aResult);
}

NS_IMETHODIMP ComponentManager::IsServiceInstantiated(const nsCID& aClass, const nsIID& aIID,
                                                      bool* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    nsCOMPtr<nsISupports> service;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        service = find_service(aClass);
    }
    if (!service) return NS_OK;
    nsCOMPtr<nsISupports> asked;
    *_retval = NS_SUCCEEDED(service->QueryInterface(aIID, getter_AddRefs(asked)));
    return NS_OK;
}

NS_IMETHODIMP ComponentManager::IsServiceInstantiatedByContractID(const char* aContractID,
                                                                  const nsIID& aIID,
                                                                  bool* _retval) {
    if (!_retval || !aContractID) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    nsCID cid;
    if (!find_contract(aContractID, cid)) return NS_OK;
    return IsServiceInstantiated(cid, aIID, _retval);
}

}  // namespace xpcom_runtime
