#pragma once
// The window watcher of the test browser: only the active window, which a test sets.

#include <mutex>

#include "nsCOMPtr.h"
#include "nsIDOMWindow.h"
#include "nsISupportsImpl.h"
#include "nsIWindowWatcher.h"

namespace xpcom_runtime {

class WindowWatcher final : public nsIWindowWatcher {
public:
    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD OpenWindow(nsIDOMWindow* aParent, const char* aUrl, const char* aName,
                          const char* aFeatures, nsISupports* aArguments,
                          nsIDOMWindow** _retval) override;
    NS_IMETHOD RegisterNotification(nsIObserver* aObserver) override;
    NS_IMETHOD UnregisterNotification(nsIObserver* aObserver) override;
    NS_IMETHOD GetWindowEnumerator(nsISimpleEnumerator** _retval) override;
    NS_IMETHOD GetNewPrompter(nsIDOMWindow* aParent, nsIPrompt** _retval) override;
    NS_IMETHOD GetNewAuthPrompter(nsIDOMWindow* aParent, nsIAuthPrompt** _retval) override;
    NS_IMETHOD SetWindowCreator(nsIWindowCreator* creator) override;
    NS_IMETHOD HasWindowCreator(bool* _retval) override;
    NS_IMETHOD GetChromeForWindow(nsIDOMWindow* aWindow, nsIWebBrowserChrome** _retval) override;
    NS_IMETHOD GetWindowByName(const char16_t* aTargetName, nsIDOMWindow* aCurrentWindow,
                               nsIDOMWindow** _retval) override;
    NS_IMETHOD GetActiveWindow(nsIDOMWindow** aActiveWindow) override;
    NS_IMETHOD SetActiveWindow(nsIDOMWindow* aActiveWindow) override;

private:
    ~WindowWatcher() = default;

    mutable std::mutex m_lock;
    nsCOMPtr<nsIDOMWindow> m_active;
};

}  // namespace xpcom_runtime
