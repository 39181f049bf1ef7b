#pragma once
// AsyncManager: the one component-wide queue of add-in callbacks that arrived off the main
// thread (or before the site had a listener). Producers on any thread append under the
// monitor, up to the queue's bound; a run on the main thread, dispatched by the service's
// 10 ms timer, takes the elements out one at a time and calls the page's listener of each
// element's site without holding the monitor, for one slice of time (delivery_limits.h).
// Each element is made once in a list node of its own and moves in and out of the queue by
// splicing, so appending cannot fail once the element is made.

#include <list>

#include "async_manager_interface.h"
#include "nsIRunnable.h"
#include "prmon.h"
#include "nsISupportsImpl.h"

enum EventType { eEvent = 0, eStatus = 1, eClearStatus = 2, eAddError = 3 };

struct _AddnSiteData {
    IAddInSitePtr site;
    EventType event;
    nsString name;
    nsString who;
    uint16_t wcode;
    int32_t scode;
    nsString extEvntData;
    size_t bytes;  // what the element counts against the queue's bound
};

class AsyncManager final : public IAsyncManagerIntf, public nsIRunnable {
public:
    // The one instance: the existing one (no reference added) or a new one with a count of 0.
    static AsyncManager* create();

    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) override;
    NS_IMETHOD_(nsrefcnt) AddRef() override;
    NS_IMETHOD_(nsrefcnt) Release() override;

    NS_IMETHOD_(bool) SetSiteEventData(SiteReference& site, nsAString& name, nsAString& who,
                          nsAString& data) override;
    NS_IMETHOD_(bool) SetSiteStatusLine(SiteReference& site, const char16_t* status) override;
    NS_IMETHOD_(bool) SetClearStatusLine(SiteReference& site) override;
    NS_IMETHOD_(bool) SetError(SiteReference& site, uint16_t wcode, const char16_t* source,
                  const char16_t* descr, int32_t scode) override;

    // nsIRunnable: delivers the queue on the main thread for one slice; always NS_OK.
    NS_IMETHOD Run() override;

private:
    typedef std::list<_AddnSiteData> SiteEventData;

    AsyncManager();
    ~AsyncManager();
    AsyncManager(const AsyncManager&) = delete;
    AsyncManager& operator=(const AsyncManager&) = delete;

    // Makes one element of `kind` (its texts by `fill`, false when they did not fit in
    // memory) and appends it; false when it was not kept.
    template <class Fill>
    bool queue(SiteReference& site, EventType kind, Fill fill) noexcept;
    bool append(SiteEventData& made, SiteReference& site);
    bool beginRun();
    // Moves the first element into `element`; notes whether others remain.
    bool takeFirst(SiteEventData& element, bool& more);
    static void deliver(_AddnSiteData& element);

    nsAutoRefCnt mRefCnt;  // plain: main thread only
    static AsyncManager* m_this;
    SiteEventData m_siteData;
    size_t m_queuedBytes;  // the elements' bytes, within kDeliveryQueueBytes
    PRMonitor* m_mutex;
    bool m_delivering;  // the delivery flag: a run is delivering
};
