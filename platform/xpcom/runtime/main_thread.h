#pragma once
// The browser's main thread: the thread that started the test browser, with its event
// queue and its timers. Any thread may post; only the main thread runs what was posted.
// Posted runnables and due timers run in the order they became ready.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "nsCOMPtr.h"
#include "nsISupportsImpl.h"
#include "nsIThread.h"

namespace xpcom_runtime {

class Timer;

class MainThread final : public nsIThread {
public:
    typedef std::chrono::steady_clock Clock;

    MainThread();

    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD Dispatch(nsIRunnable* aEvent, uint32_t aFlags) override;
    NS_IMETHOD IsOnCurrentThread(bool* _retval) override;
    NS_IMETHOD GetPRThread(PRThread** aPRThread) override;
    NS_IMETHOD Shutdown() override;
    NS_IMETHOD HasPendingEvents(bool* _retval) override;
    NS_IMETHOD ProcessNextEvent(bool aMayWait, bool* _retval) override;

    bool is_current() const { return std::this_thread::get_id() == m_id; }

    /// Arms a timer entry: the timer fires at `when` unless its generation changed since.
    void schedule(Timer* timer, Clock::time_point when, uint64_t generation);
    /// Runs one ready event or timer; with a deadline, waits for one until then. With
    /// ready_before, only what was ready by then counts. Main only.
    bool run_one(const Clock::time_point* wait_until,
                 const Clock::time_point* ready_before = nullptr);
    /// Runs until done() or the deadline; returns done().
    bool run_until(const std::function<bool()>& done, Clock::time_point deadline);
    /// Drops everything queued and refuses further posts.
    void shut_down();
    uint64_t events_run() const;

private:
    struct TimerEntry {
        Clock::time_point when;
        uint64_t sequence;
        Timer* timer;  // holds a reference while queued
        uint64_t generation;
        bool operator<(const TimerEntry& other) const {
            return when != other.when ? when < other.when : sequence < other.sequence;
        }
    };
    struct Event {
        Clock::time_point posted;
        nsIRunnable* runnable;  // holds a reference while queued
    };

    ~MainThread();

    const std::thread::id m_id;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Event> m_events;
    std::set<TimerEntry> m_timers;
    uint64_t m_sequence = 0;
    uint64_t m_run = 0;
    bool m_shutdown = false;
};

}  // namespace xpcom_runtime
