#pragma once
// nsITimer: a one-shot or repeating timer whose callback runs on the main thread's event
// loop. nsITimerCallback is the callback object; nsTimerCallbackFunc the plain function.
// An observer given to Init receives the topic "timer-callback" with the timer as subject.

#include "nsIObserver.h"

class nsIEventTarget;
class nsITimer;

/// The plain-function callback of InitWithFuncCallback.
typedef void (*nsTimerCallbackFunc)(nsITimer* aTimer, void* aClosure);

#define NS_ITIMERCALLBACK_IID \
    { 0xa796816d, 0x7d47, 0x4348, { 0x9a, 0xb8, 0xc7, 0xae, 0xb3, 0x21, 0x6a, 0x7d } }

class nsITimerCallback : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_ITIMERCALLBACK_IID)

    NS_IMETHOD Notify(nsITimer* aTimer) = 0;

protected:
    ~nsITimerCallback() = default;
};

#define NS_ITIMER_IID \
    { 0x193fc37a, 0x8aa4, 0x4d29, { 0xaa, 0x57, 0x1a, 0xcd, 0x87, 0xc2, 0x6b, 0x66 } }
#define NS_TIMER_CONTRACTID "@mozilla.org/timer;1"
#define NS_TIMER_CALLBACK_TOPIC "timer-callback"

class nsITimer : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_ITIMER_IID)

    /// Fires once, aDelay ms after it was armed.
    static constexpr short TYPE_ONE_SHOT = 0;
    /// Repeats; the next period starts when the callback has returned.
    static constexpr short TYPE_REPEATING_SLACK = 1;
    /// Repeats on a fixed schedule, catching up missed periods.
    static constexpr short TYPE_REPEATING_PRECISE = 2;
    /// Repeats on a fixed schedule, skipping periods it missed.
    static constexpr short TYPE_REPEATING_PRECISE_CAN_SKIP = 3;

    /// Each Init* replaces any earlier arming. A delay is in milliseconds.
    NS_IMETHOD Init(nsIObserver* aObserver, uint32_t aDelay, uint32_t aType) = 0;
    NS_IMETHOD InitWithFuncCallback(nsTimerCallbackFunc aCallback, void* aClosure,
                                    uint32_t aDelay, uint32_t aType) = 0;
    NS_IMETHOD InitWithCallback(nsITimerCallback* aCallback, uint32_t aDelay,
                                uint32_t aType) = 0;
    /// Stops the timer; its callback is released and will not run again.
    NS_IMETHOD Cancel() = 0;
    NS_IMETHOD GetDelay(uint32_t* aDelay) = 0;
    NS_IMETHOD SetDelay(uint32_t aDelay) = 0;
    NS_IMETHOD GetType(uint32_t* aType) = 0;
    NS_IMETHOD SetType(uint32_t aType) = 0;
    NS_IMETHOD GetClosure(void** aClosure) = 0;
    NS_IMETHOD GetCallback(nsITimerCallback** aCallback) = 0;
    NS_IMETHOD GetTarget(nsIEventTarget** aTarget) = 0;
    /// Only the main thread is accepted as target in this runtime.
    NS_IMETHOD SetTarget(nsIEventTarget* aTarget) = 0;

protected:
    ~nsITimer() = default;
};
