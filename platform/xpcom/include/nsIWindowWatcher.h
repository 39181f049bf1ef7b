#pragma once
// nsIWindowWatcher: the browser's list of windows; the component asks it only for the
// active window (the parent of its prompts). The runtime answers the other operations
// with NS_ERROR_NOT_IMPLEMENTED.

#include "nsISupports.h"

class nsIAuthPrompt;
class nsIDOMWindow;
class nsIObserver;
class nsIPrompt;
class nsISimpleEnumerator;
class nsIWebBrowserChrome;
class nsIWindowCreator;

#define NS_IWINDOWWATCHER_IID \
    { 0x67bc1691, 0xfbaf, 0x484a, { 0xa1, 0x5b, 0xc9, 0x62, 0x12, 0xb4, 0x50, 0x34 } }
#define NS_WINDOWWATCHER_CONTRACTID "@mozilla.org/embedcomp/window-watcher;1"

class nsIWindowWatcher : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IWINDOWWATCHER_IID)

    NS_IMETHOD OpenWindow(nsIDOMWindow* aParent, const char* aUrl, const char* aName,
                          const char* aFeatures, nsISupports* aArguments,
                          nsIDOMWindow** _retval) = 0;
    NS_IMETHOD RegisterNotification(nsIObserver* aObserver) = 0;
    NS_IMETHOD UnregisterNotification(nsIObserver* aObserver) = 0;
    NS_IMETHOD GetWindowEnumerator(nsISimpleEnumerator** _retval) = 0;
    NS_IMETHOD GetNewPrompter(nsIDOMWindow* aParent, nsIPrompt** _retval) = 0;
    NS_IMETHOD GetNewAuthPrompter(nsIDOMWindow* aParent, nsIAuthPrompt** _retval) = 0;
    NS_IMETHOD SetWindowCreator(nsIWindowCreator* creator) = 0;
    NS_IMETHOD HasWindowCreator(bool* _retval) = 0;
    NS_IMETHOD GetChromeForWindow(nsIDOMWindow* aWindow, nsIWebBrowserChrome** _retval) = 0;
    NS_IMETHOD GetWindowByName(const char16_t* aTargetName, nsIDOMWindow* aCurrentWindow,
                               nsIDOMWindow** _retval) = 0;
    /// The active window, with a reference added; null when there is none.
    NS_IMETHOD GetActiveWindow(nsIDOMWindow** aActiveWindow) = 0;
    NS_IMETHOD SetActiveWindow(nsIDOMWindow* aActiveWindow) = 0;

protected:
    ~nsIWindowWatcher() = default;
};
