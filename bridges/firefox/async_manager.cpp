#include "async_manager.h"

#include <utility>

#include "entry_guard.h"
#include "log_event.h"
#include "monitor_lock.h"
#include "native_boundary.h"

AsyncManager* AsyncManager::m_this = nullptr;

AsyncManager* AsyncManager::create() {
    if (m_this == nullptr) m_this = new AsyncManager();
    return m_this;
}

AsyncManager::AsyncManager()
    : m_mutex(PR_NewMonitor()), m_delivering(false) {}

AsyncManager::~AsyncManager() {
    if (m_this == this) m_this = nullptr;
    // What is still queued is released without delivery (on the main thread, where the last
    // reference goes).
    SiteEventData pending;
    {
        MonitorLock lock(m_mutex);
        pending.swap(m_siteData);
    }
    pending.clear();
    PR_DestroyMonitor(m_mutex);
}

NS_IMETHODIMP AsyncManager::QueryInterface(const nsIID& aIID, void** aInstancePtr) {
    if (aInstancePtr == nullptr) return NS_ERROR_NULL_POINTER;
    if (aIID.Equals(NS_GET_IID(nsIRunnable)) || aIID.Equals(NS_GET_IID(nsISupports))) {
        nsIRunnable* runnable = this;
        runnable->AddRef();
        *aInstancePtr = runnable;
        return NS_OK;
    }
    *aInstancePtr = nullptr;
    return NS_ERROR_NO_INTERFACE;
}

NS_IMPL_ADDREF(AsyncManager)
NS_IMPL_RELEASE(AsyncManager)

void AsyncManager::append(_AddnSiteData&& element) {
    MonitorLock lock(m_mutex);
    m_siteData.push_back(std::move(element));
}

NS_IMETHODIMP_(void) AsyncManager::SetSiteEventData(IAddInSitePtr site, nsAString& name, nsAString& who,
                                    nsAString& data) {
    _AddnSiteData element{std::move(site), eEvent, nsString(), nsString(), 0, 0, nsString()};
    element.name.Assign(name);
    element.who.Assign(who);
    element.extEvntData.Assign(data);
    log_event("SetSiteEventData: before put %s\n", element.extEvntData.get());
    append(std::move(element));
    log_event("SetSiteEventData: after put %s\n");
}

NS_IMETHODIMP_(void) AsyncManager::SetSiteStatusLine(IAddInSitePtr site, const char16_t* status) {
    _AddnSiteData element{std::move(site), eStatus, nsString(), nsString(), 0, 0, nsString()};
    if (status != nullptr) element.name.Assign(status);
    append(std::move(element));
}

NS_IMETHODIMP_(void) AsyncManager::SetClearStatusLine(IAddInSitePtr site) {
    append(_AddnSiteData{std::move(site), eClearStatus, nsString(), nsString(), 0, 0, nsString()});
}

NS_IMETHODIMP_(void) AsyncManager::SetError(IAddInSitePtr site, uint16_t wcode, const char16_t* source,
                            const char16_t* descr, int32_t scode) {
    _AddnSiteData element{std::move(site), eAddError, nsString(), nsString(), wcode, scode,
                          nsString()};
    if (descr != nullptr) element.name.Assign(descr);
    if (source != nullptr) element.who.Assign(source);
    append(std::move(element));
}

bool AsyncManager::takeFirst(_AddnSiteData& element, bool& more) {
    MonitorLock lock(m_mutex);
    if (m_siteData.empty()) return false;
    element = std::move(m_siteData.front());
    m_siteData.pop_front();
    more = !m_siteData.empty();
    return true;
}

void AsyncManager::deliver(_AddnSiteData& element) {
    // Held for the call: the listener may give the site another one and so let go of itself.
    nsCOMPtr<ICListener> listener = element.site ? element.site->GetSiteEx() : nullptr;
    if (listener == nullptr) return;  // a site without a listener: dropped
    switch (element.event) {
        case eEvent:
            listener->externalEvent(element.name.get(), element.who.get(),
                                    element.extEvntData.get());
            log_event("Run: proccess event %S\n", element.extEvntData.get());
            break;
        case eStatus: listener->setStatusLine(element.name.get()); break;
        case eClearStatus: listener->resetStatusLine(); break;
        case eAddError: {
            bool answer = false;
            listener->addError(element.wcode, element.who.get(), element.name.get(),
                               element.scode, &answer);
            break;
        }
    }
}

NS_IMETHODIMP AsyncManager::Run() {
    {
        MonitorLock lock(m_mutex);
        if (m_siteData.empty() || m_delivering) return NS_OK;
        m_delivering = true;
    }
    // A listener may release the last other reference to this queue; it stays whole until
    // the run ends.
    nsCOMPtr<nsIRunnable> self(static_cast<nsIRunnable*>(this));
    bool more = true;
    while (more) {
        _AddnSiteData element{};
        if (!takeFirst(element, more)) break;
        native_boundary::guarded([&] { deliver(element); });  // the others still go, and delivery goes on
    }
    MonitorLock lock(m_mutex);
    m_delivering = false;
    return NS_OK;
}
