#pragma once
// nsIThread: a thread with an event loop. Only the browser's main thread has one here.

#include "nsIEventTarget.h"

struct PRThread;

#define NS_ITHREAD_IID \
    { 0x9c889946, 0xa73a, 0x4af3, { 0xae, 0x9a, 0xea, 0x64, 0xf7, 0xd4, 0xe3, 0xca } }

class nsIThread : public nsIEventTarget {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_ITHREAD_IID)

    NS_IMETHOD GetPRThread(PRThread** aPRThread) = 0;
    NS_IMETHOD Shutdown() = 0;
    NS_IMETHOD HasPendingEvents(bool* _retval) = 0;
    /// Runs one pending event or due timer; with aMayWait, waits for one first. Only on the
    /// thread itself.
    NS_IMETHOD ProcessNextEvent(bool aMayWait, bool* _retval) = 0;

protected:
    ~nsIThread() = default;
};
