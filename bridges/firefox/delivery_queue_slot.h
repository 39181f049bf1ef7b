#pragma once
// g_asyncMng, the component's one reference to the delivery queue. The main thread sets and
// clears it (the first and the last service object); producers on any thread reach the
// queue only through `post`, which holds the slot's lock while it appends, so a producer can
// never reach a queue that is being destroyed: clearing takes the queue out under the same
// lock and releases it after.

#include <mutex>

#include "async_manager_interface.h"
#include "nsIRunnable.h"

class DeliveryQueueSlot {
public:
    // Main thread: the slot holds `queue` (a reference is added).
    void set(IAsyncManagerIntf* queue);
    // Main thread: empties the slot; the queue is released after the lock is given up.
    void clear();
    // Main thread: the queue as a runnable for dispatch, or null.
    nsCOMPtr<nsIRunnable> runnable();
    bool empty();

    // Any thread: calls `append(queue)` with the lock held, when there is a queue; false
    // (nothing called) when there is none.
    template <class Append>
    bool post(Append append) {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_queue == nullptr) return false;
        append(*m_queue);
        return true;
    }

private:
    std::mutex m_lock;
    IAsyncManagerIntf* m_queue = nullptr;
};

extern DeliveryQueueSlot g_asyncMng;
