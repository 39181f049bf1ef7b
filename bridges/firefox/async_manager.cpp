#include "async_manager.h"

#include <chrono>
#include <string>
#include <utility>

#include "delivery_limits.h"
#include "entry_guard.h"
#include "log_event.h"
#include "monitor_lock.h"
#include "native_boundary.h"

AsyncManager* AsyncManager::m_this = nullptr;

namespace {
// Copies `from` into the element's empty string; false when memory ran out on the way (the
// string functions report that only by what they leave).
bool copy_text(nsString& to, const nsAString& from) {
    if (from.IsEmpty()) return true;
    to.Assign(from);
    return to.Length() == from.Length();
}

bool copy_text(nsString& to, const char16_t* from) {
    if (from == nullptr || *from == 0) return true;
    to.Assign(from);
    return to.Length() == std::char_traits<char16_t>::length(from);
}

// The element's list node and its texts.
size_t element_bytes(const _AddnSiteData& element) {
    return pending_record_bytes(sizeof(_AddnSiteData) + 2 * sizeof(void*), element.name.Length(),
                                element.who.Length(), element.extEvntData.Length());
}
}  // namespace

AsyncManager* AsyncManager::create() {
    if (m_this == nullptr) m_this = new AsyncManager();
    return m_this;
}

AsyncManager::AsyncManager()
    : m_queuedBytes(0), m_mutex(PR_NewMonitor()), m_delivering(false) {}

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

template <class Fill>
bool AsyncManager::queue(SiteReference& site, EventType kind, Fill fill) noexcept {
    return native_boundary::guarded(false, [&] {
        SiteEventData made;
        made.emplace_back();
        _AddnSiteData& element = made.front();
        element.event = kind;
        if (!fill(element)) return false;
        element.bytes = element_bytes(element);
        return append(made, site);
    });
}

// Nothing here allocates: the site's reference is taken only once the element is sure to stay.
bool AsyncManager::append(SiteEventData& made, SiteReference& site) {
    _AddnSiteData& element = made.front();
    MonitorLock lock(m_mutex);
    if (element.bytes > kDeliveryQueueBytes - m_queuedBytes) return false;
    element.site = site.take();
    if (!element.site) return false;
    m_queuedBytes += element.bytes;
    m_siteData.splice(m_siteData.end(), made);
    return true;
}

NS_IMETHODIMP_(bool) AsyncManager::SetSiteEventData(SiteReference& site, nsAString& name,
                                                    nsAString& who, nsAString& data) {
    log_event("SetSiteEventData: before put %s\n", data.BeginReading());
    const bool kept = queue(site, eEvent, [&](_AddnSiteData& element) {
        return copy_text(element.name, name) && copy_text(element.who, who) &&
               copy_text(element.extEvntData, data);
    });
    log_event("SetSiteEventData: after put %s\n");
    return kept;
}

NS_IMETHODIMP_(bool) AsyncManager::SetSiteStatusLine(SiteReference& site, const char16_t* status) {
    return queue(site, eStatus,
                 [&](_AddnSiteData& element) { return copy_text(element.name, status); });
}

NS_IMETHODIMP_(bool) AsyncManager::SetClearStatusLine(SiteReference& site) {
    return queue(site, eClearStatus, [](_AddnSiteData&) { return true; });
}

NS_IMETHODIMP_(bool) AsyncManager::SetError(SiteReference& site, uint16_t wcode,
                                            const char16_t* source, const char16_t* descr,
                                            int32_t scode) {
    return queue(site, eAddError, [&](_AddnSiteData& element) {
        element.wcode = wcode;
        element.scode = scode;
        return copy_text(element.name, descr) && copy_text(element.who, source);
    });
}

bool AsyncManager::takeFirst(SiteEventData& element, bool& more) {
    MonitorLock lock(m_mutex);
    if (m_siteData.empty()) return false;
    m_queuedBytes -= m_siteData.front().bytes;
    element.splice(element.end(), m_siteData, m_siteData.begin());
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

bool AsyncManager::beginRun() {
    MonitorLock lock(m_mutex);
    if (m_siteData.empty() || m_delivering) return false;
    m_delivering = true;
    return true;
}

NS_IMETHODIMP AsyncManager::Run() {
    if (!beginRun()) return NS_OK;
    // A listener may release the last other reference to this queue; it stays whole until
    // the run ends.
    nsCOMPtr<nsIRunnable> self(static_cast<nsIRunnable*>(this));
    const std::chrono::steady_clock::time_point end =
        std::chrono::steady_clock::now() + kDeliverySlice;
    bool more = true;
    while (more) {
        SiteEventData element;
        if (!takeFirst(element, more)) break;
        // the others still go, and delivery goes on
        native_boundary::guarded([&] { deliver(element.front()); });
        // The page's thread is the page's: what remains waits, in order, for the next tick.
        if (std::chrono::steady_clock::now() >= end) break;
    }
    MonitorLock lock(m_mutex);
    m_delivering = false;
    return NS_OK;
}
