#pragma once
// The main-thread delivery queue as the sites see it. It has no interface identifier: the
// sites reach it only through the component's delivery-queue slot (delivery_queue_slot.h).

#include "nsCOMPtr.h"
#include "nsISupports.h"
#include "nsStringAPI.h"
#include "site_interfaces.h"

// A counted reference to a site's IAddInSiteExt part.
typedef nsCOMPtr<IAddInSiteExt> IAddInSitePtr;

// How a pending callback comes by its reference to its site. The queue asks only once nothing
// can fail any more, so a callback that could not be queued never held its site: dropping it
// on the producer's thread can never be what lets the site go.
class SiteReference {
public:
    // A new reference, or null when the site is going away and takes no more callbacks.
    virtual IAddInSitePtr take() = 0;

protected:
    ~SiteReference() {}
};

class IAsyncManagerIntf : public nsISupports {
public:
    // Each appends one pending callback for the site (any thread). False when it was not kept:
    // the queue is full, memory ran out, or the site is going away.
    NS_IMETHOD_(bool) SetSiteEventData(SiteReference& site, nsAString& name, nsAString& who,
                                  nsAString& data) = 0;                                // 3
    NS_IMETHOD_(bool) SetSiteStatusLine(SiteReference& site, const char16_t* status) = 0;
    NS_IMETHOD_(bool) SetClearStatusLine(SiteReference& site) = 0;
    NS_IMETHOD_(bool) SetError(SiteReference& site, uint16_t wcode, const char16_t* source,
                          const char16_t* descr, int32_t scode) = 0;                   // 6

protected:
    ~IAsyncManagerIntf() {}
};
