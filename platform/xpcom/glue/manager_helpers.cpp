// do_CreateInstance and do_GetService over the browser's exported managers.

#include "nsComponentManagerUtils.h"
#include "nsServiceManagerUtils.h"

namespace {

nsresult report(nsresult rv, nsresult* errorPtr, void** result) {
    if (NS_FAILED(rv)) *result = nullptr;
    if (errorPtr) *errorPtr = rv;
    return rv;
}

}  // namespace

nsresult nsCreateInstanceByContractID::operator()(const nsIID& aIID, void** aResult) const {
    nsCOMPtr<nsIComponentManager> manager;
    nsresult rv = NS_GetComponentManager(getter_AddRefs(manager));
    if (NS_SUCCEEDED(rv)) {
        rv = manager->CreateInstanceByContractID(mContractID, nullptr, aIID, aResult);
    }
    return report(rv, mErrorPtr, aResult);
}

nsresult nsCreateInstanceByCID::operator()(const nsIID& aIID, void** aResult) const {
    nsCOMPtr<nsIComponentManager> manager;
    nsresult rv = NS_GetComponentManager(getter_AddRefs(manager));
    if (NS_SUCCEEDED(rv)) rv = manager->CreateInstance(mCID, nullptr, aIID, aResult);
    return report(rv, mErrorPtr, aResult);
}

nsresult nsGetServiceByContractID::operator()(const nsIID& aIID, void** aResult) const {
    nsCOMPtr<nsIServiceManager> manager;
    nsresult rv = NS_GetServiceManager(getter_AddRefs(manager));
    if (NS_SUCCEEDED(rv)) rv = manager->GetServiceByContractID(mContractID, aIID, aResult);
    return report(rv, mErrorPtr, aResult);
}

nsresult nsGetServiceByCID::operator()(const nsIID& aIID, void** aResult) const {
    nsCOMPtr<nsIServiceManager> manager;
    nsresult rv = NS_GetServiceManager(getter_AddRefs(manager));
    if (NS_SUCCEEDED(rv)) rv = manager->GetService(mCID, aIID, aResult);
    return report(rv, mErrorPtr, aResult);
}
