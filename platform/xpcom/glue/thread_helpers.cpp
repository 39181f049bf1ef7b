// The main-thread test and dispatch over the browser's exported main thread.

#include "nsCOMPtr.h"
#include "nsThreadUtils.h"

bool NS_IsMainThread() {
    nsCOMPtr<nsIThread> main;
    if (NS_FAILED(NS_GetMainThread(getter_AddRefs(main)))) return false;
    bool on_main = false;
    return NS_SUCCEEDED(main->IsOnCurrentThread(&on_main)) && on_main;
}

nsresult NS_DispatchToMainThread(nsIRunnable* aEvent, uint32_t aFlags) {
    if (!aEvent) return NS_ERROR_NULL_POINTER;
    nsCOMPtr<nsIThread> main;
    nsresult rv = NS_GetMainThread(getter_AddRefs(main));
    if (NS_FAILED(rv)) return rv;
    return main->Dispatch(aEvent, aFlags);
}
