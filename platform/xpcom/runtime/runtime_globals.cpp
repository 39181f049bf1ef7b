// The installed test browser and the browser functions exported over it.

#include "runtime_globals.h"

#include <mutex>

#include "nsThreadUtils.h"
#include "nsXPCOM.h"

namespace xpcom_runtime {

namespace {

std::mutex g_lock;
RuntimeObjects g_objects;
bool g_installed = false;

}  // namespace

bool install_runtime(const RuntimeObjects& objects) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_installed) return false;
    g_objects = objects;
    g_installed = true;
    return true;
}

void remove_runtime() {
    RuntimeObjects removed;  // released after the lock
    std::lock_guard<std::mutex> guard(g_lock);
    removed = g_objects;
    g_objects = RuntimeObjects();
    g_installed = false;
}

RuntimeObjects current_runtime() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_objects;
}

namespace {

template <class Interface, class Object>
nsresult hand_out(const nsCOMPtr<Object>& object, Interface** result) {
    if (!result) return NS_ERROR_NULL_POINTER;
    *result = object.get();
    if (!*result) return NS_ERROR_NOT_INITIALIZED;
    (*result)->AddRef();
    return NS_OK;
}

}  // namespace

}  // namespace xpcom_runtime

using xpcom_runtime::current_runtime;
using xpcom_runtime::hand_out;

XPCOM_API(nsresult) NS_GetComponentManager(nsIComponentManager** aResult) {
    return hand_out<nsIComponentManager>(current_runtime().manager, aResult);
}

XPCOM_API(nsresult) NS_GetServiceManager(nsIServiceManager** aResult) {
    return hand_out<nsIServiceManager>(current_runtime().manager, aResult);
}

XPCOM_API(nsresult) NS_GetMemoryManager(nsIMemory** aResult) {
    return hand_out<nsIMemory>(current_runtime().memory, aResult);
}

XPCOM_API(nsresult) NS_GetMainThread(nsIThread** aResult) {
    return hand_out<nsIThread>(current_runtime().main_thread, aResult);
}
