// The platform's timer.

#include "timer.h"

#include <utility>

namespace xpcom_runtime {

namespace {

bool valid_type(uint32_t type) { return type <= nsITimer::TYPE_REPEATING_PRECISE_CAN_SKIP; }

}  // namespace

Timer::Timer(MainThread* thread) : m_thread(thread) {}

NS_IMPL_ADDREF(Timer)
NS_IMPL_RELEASE(Timer)
NS_INTERFACE_MAP_BEGIN(Timer)
    NS_INTERFACE_MAP_ENTRY(nsITimer)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

nsresult Timer::arm(Callback callback, uint32_t delay, uint32_t type) {
    if (!valid_type(type)) return NS_ERROR_INVALID_ARG;
    MainThread::Clock::time_point due = MainThread::Clock::now() + std::chrono::milliseconds(delay);
    uint64_t generation;
    Callback old;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        old = std::move(m_callback);
        m_callback = std::move(callback);
        m_delay = delay;
        m_type = type;
        m_armed = true;
        m_due = due;
        generation = ++m_generation;
    }
    m_thread->schedule(this, due, generation);
    return NS_OK;
}

NS_IMETHODIMP Timer::Init(nsIObserver* aObserver, uint32_t aDelay, uint32_t aType) {
    if (!aObserver) return NS_ERROR_NULL_POINTER;
    Callback callback;
    callback.observer = aObserver;
    return arm(std::move(callback), aDelay, aType);
}

NS_IMETHODIMP Timer::InitWithFuncCallback(nsTimerCallbackFunc aCallback, void* aClosure,
                                          uint32_t aDelay, uint32_t aType) {
    if (!aCallback) return NS_ERROR_NULL_POINTER;
    Callback callback;
    callback.function = aCallback;
    callback.closure = aClosure;
    return arm(std::move(callback), aDelay, aType);
}

NS_IMETHODIMP Timer::InitWithCallback(nsITimerCallback* aCallback, uint32_t aDelay,
                                      uint32_t aType) {
    if (!aCallback) return NS_ERROR_NULL_POINTER;
    Callback callback;
    callback.object = aCallback;
    return arm(std::move(callback), aDelay, aType);
}

NS_IMETHODIMP Timer::Cancel() {
    Callback old;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        old = std::move(m_callback);
        m_callback = Callback();
        m_armed = false;
        ++m_generation;
    }
    return NS_OK;  // the callback objects are released here, outside the lock
}

NS_IMETHODIMP Timer::GetDelay(uint32_t* aDelay) {
    if (!aDelay) return NS_ERROR_NULL_POINTER;
    std::lock_guard<std::mutex> guard(m_lock);
    *aDelay = m_delay;
    return NS_OK;
}

NS_IMETHODIMP Timer::SetDelay(uint32_t aDelay) {
    MainThread::Clock::time_point due = MainThread::Clock::now() + std::chrono::milliseconds(aDelay);
    uint64_t generation;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_delay = aDelay;
        if (!m_armed) return NS_OK;
        m_due = due;
        generation = ++m_generation;
    }
    m_thread->schedule(this, due, generation);
    return NS_OK;
}

NS_IMETHODIMP Timer::GetType(uint32_t* aType) {
    if (!aType) return NS_ERROR_NULL_POINTER;
    std::lock_guard<std::mutex> guard(m_lock);
    *aType = m_type;
    return NS_OK;
}

NS_IMETHODIMP Timer::SetType(uint32_t aType) {
    if (!valid_type(aType)) return NS_ERROR_INVALID_ARG;
    std::lock_guard<std::mutex> guard(m_lock);
    m_type = aType;
    return NS_OK;
}

NS_IMETHODIMP Timer::GetClosure(void** aClosure) {
    if (!aClosure) return NS_ERROR_NULL_POINTER;
    std::lock_guard<std::mutex> guard(m_lock);
    *aClosure = m_callback.closure;
    return NS_OK;
}

NS_IMETHODIMP Timer::GetCallback(nsITimerCallback** aCallback) {
    if (!aCallback) return NS_ERROR_NULL_POINTER;
    std::lock_guard<std::mutex> guard(m_lock);
    *aCallback = m_callback.object;
    if (*aCallback) (*aCallback)->AddRef();
    return NS_OK;
}

NS_IMETHODIMP Timer::GetTarget(nsIEventTarget** aTarget) {
    if (!aTarget) return NS_ERROR_NULL_POINTER;
    *aTarget = m_thread;
    m_thread->AddRef();
    return NS_OK;
}

NS_IMETHODIMP Timer::SetTarget(nsIEventTarget* aTarget) {
    if (aTarget == static_cast<nsIEventTarget*>(m_thread.get())) return NS_OK;
    return NS_ERROR_NOT_IMPLEMENTED;
}

MainThread::Clock::time_point Timer::next_due(MainThread::Clock::time_point fired_due) const {
    const MainThread::Clock::time_point now = MainThread::Clock::now();
    const std::chrono::milliseconds period(m_delay);
    switch (m_type) {
    case TYPE_REPEATING_PRECISE:
        return fired_due + period;
    case TYPE_REPEATING_PRECISE_CAN_SKIP: {
        MainThread::Clock::time_point next = fired_due + period;
        if (next <= now) next = period.count() ? now + (period - (now - next) % period) : now;
        return next;
    }
    default:  // slack: the period starts when the callback has returned
        return now + period;
    }
}

void Timer::run_callback(const Callback& callback) {
    if (callback.function) {
        callback.function(this, callback.closure);
    } else if (callback.object) {
        callback.object->Notify(this);
    } else if (callback.observer) {
        callback.observer->Observe(static_cast<nsITimer*>(this), NS_TIMER_CALLBACK_TOPIC, nullptr);
    }
}

bool Timer::fire(uint64_t generation) {
    Callback callback;
    MainThread::Clock::time_point fired_due;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (generation != m_generation || !m_armed) return false;
        callback = m_callback;
        fired_due = m_due;
        if (m_type == TYPE_ONE_SHOT) m_armed = false;
    }
    run_callback(callback);
    Callback finished;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (generation != m_generation) return true;  // re-armed or cancelled by the callback
        if (m_type == TYPE_ONE_SHOT) {
            finished = std::move(m_callback);  // a one-shot timer lets its callback go
            m_callback = Callback();
            return true;
        }
        m_due = next_due(fired_due);
        fired_due = m_due;
    }
    m_thread->schedule(this, fired_due, generation);
    return true;
}

}  // namespace xpcom_runtime
