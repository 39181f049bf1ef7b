#include "platform_services.h"

#include "nsIServiceManager.h"
#include "nsXPCOM.h"

namespace {
template <class T>
nsCOMPtr<T> service(const char* contractId) {
    nsCOMPtr<nsIServiceManager> manager;
    nsCOMPtr<T> result;
    if (NS_FAILED(NS_GetServiceManager(getter_AddRefs(manager))) || !manager) return result;
    if (NS_FAILED(manager->GetServiceByContractID(contractId, NS_GET_IID(T),
                                                  getter_AddRefs(result)))) {
        result = nullptr;
    }
    return result;
}
}  // namespace

nsCOMPtr<nsIPromptService> prompt_service() {
    return service<nsIPromptService>(NS_PROMPTSERVICE_CONTRACTID);
}

nsCOMPtr<nsIWindowWatcher> window_watcher() {
    return service<nsIWindowWatcher>(NS_WINDOWWATCHER_CONTRACTID);
}
