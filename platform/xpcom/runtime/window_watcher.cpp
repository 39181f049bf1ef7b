// The test browser's window watcher.

#include "window_watcher.h"

namespace xpcom_runtime {

NS_IMPL_ADDREF(WindowWatcher)
NS_IMPL_RELEASE(WindowWatcher)
NS_INTERFACE_MAP_BEGIN(WindowWatcher)
    NS_INTERFACE_MAP_ENTRY(nsIWindowWatcher)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

NS_IMETHODIMP WindowWatcher::OpenWindow(nsIDOMWindow*, const char*, const char*, const char*,
                                        nsISupports*, nsIDOMWindow** _retval) {
    if (_retval) *_retval = nullptr;
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP WindowWatcher::RegisterNotification(nsIObserver*) { return NS_ERROR_NOT_IMPLEMENTED; }

NS_IMETHODIMP WindowWatcher::UnregisterNotification(nsIObserver*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP WindowWatcher::GetWindowEnumerator(nsISimpleEnumerator** _retval) {
    if (_retval) *_retval = nullptr;
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP WindowWatcher::GetNewPrompter(nsIDOMWindow*, nsIPrompt** _retval) {
    if (_retval) *_retval = nullptr;
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP WindowWatcher::GetNewAuthPrompter(nsIDOMWindow*, nsIAuthPrompt** _retval) {
    if (_retval) *_retval = nullptr;
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP WindowWatcher::SetWindowCreator(nsIWindowCreator*) { return NS_ERROR_NOT_IMPLEMENTED; }

NS_IMETHODIMP WindowWatcher::HasWindowCreator(bool* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    return NS_OK;
}

NS_IMETHODIMP WindowWatcher::GetChromeForWindow(nsIDOMWindow*, nsIWebBrowserChrome** _retval) {
    if (_retval) *_retval = nullptr;
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP WindowWatcher::GetWindowByName(const char16_t*, nsIDOMWindow*,
                                             nsIDOMWindow** _retval) {
    if (_retval) *_retval = nullptr;
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP WindowWatcher::GetActiveWindow(nsIDOMWindow** aActiveWindow) {
    if (!aActiveWindow) return NS_ERROR_NULL_POINTER;
    std::lock_guard<std::mutex> guard(m_lock);
    *aActiveWindow = m_active;
    if (*aActiveWindow) (*aActiveWindow)->AddRef();
    return NS_OK;
}

NS_IMETHODIMP WindowWatcher::SetActiveWindow(nsIDOMWindow* aActiveWindow) {
    nsCOMPtr<nsIDOMWindow> old;
    std::lock_guard<std::mutex> guard(m_lock);
    old = m_active;
    m_active = aActiveWindow;
    return NS_OK;
}

}  // namespace xpcom_runtime
