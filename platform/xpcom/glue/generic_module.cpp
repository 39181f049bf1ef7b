// The module object behind NSGetModule, and its factory over a record's constructor.

#include "mozilla/GenericModule.h"

#include "nsCOMPtr.h"

namespace mozilla {

NS_IMPL_ADDREF(GenericModule)
NS_IMPL_RELEASE(GenericModule)
NS_INTERFACE_MAP_BEGIN(GenericModule)
    NS_INTERFACE_MAP_ENTRY(nsIModule)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

NS_IMETHODIMP GenericModule::GetClassObject(nsIComponentManager*, const nsCID& aClass,
                                            const nsIID& aIID, void** aResult) {
    if (!aResult) return NS_ERROR_NULL_POINTER;
    *aResult = nullptr;
    for (const Module::CIDEntry* e = mData->mCIDs; e && e->cid; ++e) {
        if (!e->cid->Equals(aClass) || e->processSelector == Module::CONTENT_PROCESS_ONLY) {
            continue;
        }
        nsCOMPtr<nsIFactory> factory;
        if (e->getFactoryProc) {
            factory = e->getFactoryProc(*mData, *e);
        } else if (mData->getFactoryProc) {
            factory = mData->getFactoryProc(*mData, *e);
        } else if (e->constructorProc) {
            factory = new GenericFactory(e->constructorProc);
        }
        if (!factory) return NS_ERROR_FACTORY_NOT_REGISTERED;
        return factory->QueryInterface(aIID, aResult);
    }
    return NS_ERROR_FACTORY_NOT_REGISTERED;
}

NS_IMETHODIMP GenericModule::RegisterSelf(nsIComponentManager*, nsIFile*, const char*,
                                          const char*) {
    return NS_OK;
}

NS_IMETHODIMP GenericModule::UnregisterSelf(nsIComponentManager*, nsIFile*, const char*) {
    return NS_OK;
}

NS_IMETHODIMP GenericModule::CanUnload(nsIComponentManager*, bool* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    return NS_OK;
}

NS_IMPL_ADDREF(GenericFactory)
NS_IMPL_RELEASE(GenericFactory)
NS_INTERFACE_MAP_BEGIN(GenericFactory)
    NS_INTERFACE_MAP_ENTRY(nsIFactory)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

NS_IMETHODIMP GenericFactory::CreateInstance(nsISupports* aOuter, const nsIID& aIID,
                                             void** aResult) {
    if (!aResult) return NS_ERROR_NULL_POINTER;
    return mCtor(aOuter, aIID, aResult);
}

NS_IMETHODIMP GenericFactory::LockFactory(bool) { return NS_OK; }

}  // namespace mozilla
