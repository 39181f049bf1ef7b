#pragma once
// The main-thread delivery queue as the sites see it. It has no interface identifier: the
// sites reach it only through the component's delivery-queue slot (delivery_queue_slot.h).

#include "nsCOMPtr.h"
#include "nsISupports.h"
#include "nsStringAPI.h"
#include "site_interfaces.h"

// A counted reference to a site's IAddInSiteExt part.
typedef nsCOMPtr<IAddInSiteExt> IAddInSitePtr;

class IAsyncManagerIntf : public nsISupports {
public:
    // Each appends one pending callback for `site` (any thread).
    NS_IMETHOD_(void) SetSiteEventData(IAddInSitePtr site, nsAString& name, nsAString& who,
                                  nsAString& data) = 0;                                // 3
    NS_IMETHOD_(void) SetSiteStatusLine(IAddInSitePtr site, const char16_t* status) = 0;
    NS_IMETHOD_(void) SetClearStatusLine(IAddInSitePtr site) = 0;
    NS_IMETHOD_(void) SetError(IAddInSitePtr site, uint16_t wcode, const char16_t* source,
                          const char16_t* descr, int32_t scode) = 0;                   // 6

protected:
    ~IAsyncManagerIntf() {}
};
