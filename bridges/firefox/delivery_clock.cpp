#include "delivery_clock.h"

#include "async_manager.h"
#include "delivery_queue_slot.h"
#include "nsCOMPtr.h"
#include "nsThreadUtils.h"

namespace {
int g_liveServices = 0;
// The timer that runs delivery: the first one a service brought.
nsITimer* g_armedTimer = nullptr;
}  // namespace

void APCProcNotification(nsITimer*, void*) {
    nsCOMPtr<nsIRunnable> run = g_asyncMng.runnable();
    if (run) NS_DispatchToMainThread(run.get());
}

void delivery_service_started(nsITimer* timer) {
    ++g_liveServices;
    if (g_asyncMng.empty()) g_asyncMng.set(AsyncManager::create());
    if (timer == nullptr || g_armedTimer != nullptr) return;
    if (NS_FAILED(timer->InitWithFuncCallback(APCProcNotification, nullptr, kTimerInterval,
                                              nsITimer::TYPE_REPEATING_SLACK))) {
        return;
    }
    timer->AddRef();
    g_armedTimer = timer;
}

void delivery_service_stopped() {
    if (--g_liveServices > 0) return;
    g_liveServices = 0;
    if (g_armedTimer != nullptr) {
        g_armedTimer->Cancel();
        g_armedTimer->Release();
        g_armedTimer = nullptr;
    }
    g_asyncMng.clear();
}
