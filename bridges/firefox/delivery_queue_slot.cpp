#include "delivery_queue_slot.h"

DeliveryQueueSlot g_asyncMng;

void DeliveryQueueSlot::set(IAsyncManagerIntf* queue) {
    if (queue != nullptr) queue->AddRef();
    IAsyncManagerIntf* old = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        old = m_queue;
        m_queue = queue;
    }
    if (old != nullptr) old->Release();
}

void DeliveryQueueSlot::clear() { set(nullptr); }

nsCOMPtr<nsIRunnable> DeliveryQueueSlot::runnable() {
    IAsyncManagerIntf* queue = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        queue = m_queue;
    }
    // Only the main thread changes the slot, so the queue cannot go away here.
    nsCOMPtr<nsIRunnable> result;
    if (queue != nullptr) queue->QueryInterface(NS_GET_IID(nsIRunnable), getter_AddRefs(result));
    return result;
}

bool DeliveryQueueSlot::empty() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_queue == nullptr;
}
