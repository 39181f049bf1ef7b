// The portable runtime's monitors: a re-entrant lock with one condition, over the standard
// library. The owner is atomic because threads that do not hold the monitor read it to
// learn that they do not.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "prmon.h"

struct PRMonitor {
    std::mutex lock;
    std::condition_variable condition;
    std::atomic<std::thread::id> owner{};
    unsigned entries = 0;  // written only by the owner
};

namespace {

const PRUint32 kTicksPerSecond = 1000000;

bool held_by_caller(const PRMonitor* mon) {
    return mon && mon->owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

}  // namespace

XPCOM_API(PRUint32) PR_TicksPerSecond() { return kTicksPerSecond; }

XPCOM_API(PRIntervalTime) PR_MillisecondsToInterval(PRUint32 milli) {
    uint64_t ticks = uint64_t(milli) * (kTicksPerSecond / 1000);
    return ticks >= PR_INTERVAL_NO_TIMEOUT ? PR_INTERVAL_NO_TIMEOUT - 1 : PRIntervalTime(ticks);
}

XPCOM_API(PRMonitor*) PR_NewMonitor() { return new (std::nothrow) PRMonitor; }

XPCOM_API(void) PR_DestroyMonitor(PRMonitor* mon) { delete mon; }

XPCOM_API(void) PR_EnterMonitor(PRMonitor* mon) {
    if (!mon) return;
    if (held_by_caller(mon)) {
        ++mon->entries;
        return;
    }
    mon->lock.lock();
    mon->owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    mon->entries = 1;
}

XPCOM_API(PRStatus) PR_ExitMonitor(PRMonitor* mon) {
    if (!held_by_caller(mon)) return PR_FAILURE;
    if (--mon->entries == 0) {
        mon->owner.store(std::thread::id(), std::memory_order_relaxed);
        mon->lock.unlock();
    }
    return PR_SUCCESS;
}

XPCOM_API(PRStatus) PR_Wait(PRMonitor* mon, PRIntervalTime ticks) {
    if (!held_by_caller(mon)) return PR_FAILURE;
    const unsigned entries = mon->entries;
    mon->entries = 0;
    mon->owner.store(std::thread::id(), std::memory_order_relaxed);
    {
        std::unique_lock<std::mutex> guard(mon->lock, std::adopt_lock);
        if (ticks == PR_INTERVAL_NO_TIMEOUT) {
            mon->condition.wait(guard);
        } else {
            mon->condition.wait_for(guard, std::chrono::microseconds(ticks));
        }
        guard.release();  // still locked: the monitor stays the caller's
    }
    mon->owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    mon->entries = entries;
    return PR_SUCCESS;
}

XPCOM_API(PRStatus) PR_Notify(PRMonitor* mon) {
    if (!held_by_caller(mon)) return PR_FAILURE;
    mon->condition.notify_one();
    return PR_SUCCESS;
}

XPCOM_API(PRStatus) PR_NotifyAll(PRMonitor* mon) {
    if (!held_by_caller(mon)) return PR_FAILURE;
    mon->condition.notify_all();
    return PR_SUCCESS;
}
