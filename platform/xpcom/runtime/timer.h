#pragma once
// The platform's timer: armed on the main thread's loop, its callback runs there.

#include <cstdint>
#include <mutex>

#include "main_thread.h"
#include "nsCOMPtr.h"
#include "nsISupportsImpl.h"
#include "nsITimer.h"

namespace xpcom_runtime {

class Timer final : public nsITimer {
public:
    explicit Timer(MainThread* thread);

    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD Init(nsIObserver* aObserver, uint32_t aDelay, uint32_t aType) override;
    NS_IMETHOD InitWithFuncCallback(nsTimerCallbackFunc aCallback, void* aClosure,
                                    uint32_t aDelay, uint32_t aType) override;
    NS_IMETHOD InitWithCallback(nsITimerCallback* aCallback, uint32_t aDelay,
                                uint32_t aType) override;
    NS_IMETHOD Cancel() override;
    NS_IMETHOD GetDelay(uint32_t* aDelay) override;
    NS_IMETHOD SetDelay(uint32_t aDelay) override;
    NS_IMETHOD GetType(uint32_t* aType) override;
    NS_IMETHOD SetType(uint32_t aType) override;
    NS_IMETHOD GetClosure(void** aClosure) override;
    NS_IMETHOD GetCallback(nsITimerCallback** aCallback) override;
    NS_IMETHOD GetTarget(nsIEventTarget** aTarget) override;
    NS_IMETHOD SetTarget(nsIEventTarget* aTarget) override;

    /// Called by the loop when an entry of this timer is due; runs the callback when the
    /// entry is still current (and says so) and re-arms a repeating timer.
    bool fire(uint64_t generation);

private:
    struct Callback {
        nsCOMPtr<nsIObserver> observer;
        nsCOMPtr<nsITimerCallback> object;
        nsTimerCallbackFunc function = nullptr;
        void* closure = nullptr;
    };

    ~Timer() = default;

    nsresult arm(Callback callback, uint32_t delay, uint32_t type);
    void run_callback(const Callback& callback);
    // With m_lock held: the next due time of a repeating timer after a firing.
    MainThread::Clock::time_point next_due(MainThread::Clock::time_point fired_due) const;

    const nsCOMPtr<MainThread> m_thread;
    mutable std::mutex m_lock;
    Callback m_callback;
    uint32_t m_delay = 0;
    uint32_t m_type = TYPE_ONE_SHOT;
    uint64_t m_generation = 0;  // changes on every arming and cancelling
    bool m_armed = false;
    MainThread::Clock::time_point m_due;
};

}  // namespace xpcom_runtime
