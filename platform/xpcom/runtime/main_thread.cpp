// The main thread's event loop.

#include "main_thread.h"

#include <vector>

#include "timer.h"

namespace xpcom_runtime {

MainThread::MainThread() : m_id(std::this_thread::get_id()) {}

MainThread::~MainThread() { shut_down(); }

NS_IMPL_ADDREF(MainThread)
NS_IMPL_RELEASE(MainThread)
NS_INTERFACE_MAP_BEGIN(MainThread)
    NS_INTERFACE_MAP_ENTRY(nsIThread)
    NS_INTERFACE_MAP_ENTRY(nsIEventTarget)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

NS_IMETHODIMP MainThread::Dispatch(nsIRunnable* aEvent, uint32_t aFlags) {
    if (!aEvent) return NS_ERROR_NULL_POINTER;
    if (aFlags != NS_DISPATCH_NORMAL) return NS_ERROR_NOT_IMPLEMENTED;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_shutdown) return NS_ERROR_ILLEGAL_DURING_SHUTDOWN;
        aEvent->AddRef();
        m_events.push_back(Event{Clock::now(), aEvent});
    }
    m_wake.notify_one();
    return NS_OK;
}

NS_IMETHODIMP MainThread::IsOnCurrentThread(bool* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    *_retval = is_current();
    return NS_OK;
}

NS_IMETHODIMP MainThread::GetPRThread(PRThread** aPRThread) {
    if (!aPRThread) return NS_ERROR_NULL_POINTER;
    *aPRThread = nullptr;
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP MainThread::Shutdown() { return NS_ERROR_UNEXPECTED; }

NS_IMETHODIMP MainThread::HasPendingEvents(bool* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    if (!is_current()) return NS_ERROR_UNEXPECTED;
    std::lock_guard<std::mutex> guard(m_lock);
    *_retval = !m_events.empty() || (!m_timers.empty() && m_timers.begin()->when <= Clock::now());
    return NS_OK;
}

NS_IMETHODIMP MainThread::ProcessNextEvent(bool aMayWait, bool* _retval) {
    if (!is_current()) return NS_ERROR_UNEXPECTED;
    // Waiting without a deadline would hang a test; a waiting caller gets one minute.
    const Clock::time_point limit = Clock::now() + std::chrono::minutes(1);
    const bool ran = run_one(aMayWait ? &limit : nullptr);
    if (_retval) *_retval = ran;
    return NS_OK;
}

void MainThread::schedule(Timer* timer, Clock::time_point when, uint64_t generation) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_shutdown) return;
        timer->AddRef();
        m_timers.insert(TimerEntry{when, ++m_sequence, timer, generation});
    }
    m_wake.notify_one();
}

bool MainThread::run_one(const Clock::time_point* wait_until,
                         const Clock::time_point* ready_before) {
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        if (m_shutdown) return false;
        const Clock::time_point now = Clock::now();
        const Clock::time_point cutoff = ready_before ? *ready_before : now;
        const bool event_ready = !m_events.empty() && m_events.front().posted <= cutoff;
        const bool timer_due = !m_timers.empty() && m_timers.begin()->when <= cutoff;
        const bool timer_first =
            timer_due && (!event_ready || m_timers.begin()->when < m_events.front().posted);
        if (timer_first) {
            TimerEntry entry = *m_timers.begin();
            m_timers.erase(m_timers.begin());
            guard.unlock();
            const bool fired = entry.timer->fire(entry.generation);
            entry.timer->Release();
            guard.lock();
            if (!fired) continue;  // an entry left over from an earlier arming
            ++m_run;
            return true;
        }
        if (event_ready) {
            nsIRunnable* runnable = m_events.front().runnable;
            m_events.pop_front();
            ++m_run;
            guard.unlock();
            runnable->Run();
            runnable->Release();
            return true;
        }
        if (!wait_until || now >= *wait_until) return false;
        Clock::time_point until = *wait_until;
        if (!m_timers.empty() && m_timers.begin()->when < until) until = m_timers.begin()->when;
        m_wake.wait_until(guard, until);
    }
}

bool MainThread::run_until(const std::function<bool()>& done, Clock::time_point deadline) {
    while (!done()) {
        if (!run_one(&deadline) && Clock::now() >= deadline) return done();
    }
    return true;
}

void MainThread::shut_down() {
    std::deque<Event> events;
    std::set<TimerEntry> timers;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_shutdown = true;
        events.swap(m_events);
        timers.swap(m_timers);
    }
    // Released outside the lock: a release may try to post again (and be refused).
    for (Event& e : events) e.runnable->Release();
    for (const TimerEntry& t : timers) t.timer->Release();
    m_wake.notify_all();
}

uint64_t MainThread::events_run() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_run;
}

}  // namespace xpcom_runtime
