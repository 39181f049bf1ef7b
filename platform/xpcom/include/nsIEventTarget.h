#pragma once
// nsIEventTarget: something runnables can be posted to (a thread's event loop).

#include "nsIRunnable.h"

#define NS_IEVENTTARGET_IID \
    { 0x4e8febe4, 0x6631, 0x49dc, { 0x8a, 0xc9, 0x30, 0x8c, 0x1c, 0xb9, 0xb0, 0x9c } }

class nsIEventTarget : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IEVENTTARGET_IID)

    /// Run the event later, in order (the normal dispatch).
    static constexpr uint32_t DISPATCH_NORMAL = 0;
    /// Run the event and wait until it has run (not offered by this runtime).
    static constexpr uint32_t DISPATCH_SYNC = 1;

    /// Posts aEvent (a reference is taken until it has run or is dropped at shutdown).
    NS_IMETHOD Dispatch(nsIRunnable* aEvent, uint32_t aFlags) = 0;
    NS_IMETHOD IsOnCurrentThread(bool* _retval) = 0;

protected:
    ~nsIEventTarget() = default;
};

#define NS_DISPATCH_NORMAL nsIEventTarget::DISPATCH_NORMAL
#define NS_DISPATCH_SYNC nsIEventTarget::DISPATCH_SYNC
