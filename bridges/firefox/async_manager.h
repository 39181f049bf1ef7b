#pragma once
// AsyncManager: the one component-wide queue of add-in callbacks that arrived off the main
// thread (or before the site had a listener). Producers on any thread append under the
// monitor; a run on the main thread, dispatched by the service's 10 ms timer, takes the
// elements out one at a time and calls the page's listener of each element's site without
// holding the monitor.

#include <deque>

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
};

class AsyncManager final : public IAsyncManagerIntf, public nsIRunnable {
public:
    // The one instance: the existing one (no reference added) or a new one with a count of 0.
    static AsyncManager* create();

    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) override;
    NS_IMETHOD_(nsrefcnt) AddRef() override;
    NS_IMETHOD_(nsrefcnt) Release() override;

    NS_IMETHOD_(void) SetSiteEventData(IAddInSitePtr site, nsAString& name, nsAString& who,
                          nsAString& data) override;
    NS_IMETHOD_(void) SetSiteStatusLine(IAddInSitePtr site, const char16_t* status) override;
    NS_IMETHOD_(void) SetClearStatusLine(IAddInSitePtr site) override;
    NS_IMETHOD_(void) SetError(IAddInSitePtr site, uint16_t wcode, const char16_t* source,
                  const char16_t* descr, int32_t scode) override;

    // nsIRunnable: delivers the queue on the main thread; always NS_OK.
    NS_IMETHOD Run() override;

private:
    typedef std::deque<_AddnSiteData> SiteEventData;

    AsyncManager();
    ~AsyncManager();
    AsyncManager(const AsyncManager&) = delete;
    AsyncManager& operator=(const AsyncManager&) = delete;

    void append(_AddnSiteData&& element);
    bool takeFirst(_AddnSiteData& element, bool& more);
    static void deliver(_AddnSiteData& element);

    nsAutoRefCnt mRefCnt;  // plain: main thread only
    static AsyncManager* m_this;
    SiteEventData m_siteData;
    PRMonitor* m_mutex;
    bool m_delivering;  // the delivery flag: a run is delivering
};
