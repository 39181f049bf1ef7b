#include "site_event_queue.h"

#include <atomic>
#include <iterator>
#include <new>

namespace {

std::atomic<SiteEventQueue*> g_queue{nullptr};
CRITICAL_SECTION* creation_lock() {
    static CRITICAL_SECTION* lock = [] {
        auto* section = new CRITICAL_SECTION;
        InitializeCriticalSection(section);
        return section;
    }();
    return lock;
}

// A listener call that runs a nested message loop can fire the timer again on this thread.
thread_local bool t_draining = false;

class Locked {
public:
    explicit Locked(CRITICAL_SECTION* lock) : m_lock(lock) { EnterCriticalSection(m_lock); }
    ~Locked() { LeaveCriticalSection(m_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION* m_lock;
};

void deliver(const SiteEventRecord& r) {
    switch (r.kind) {
        case eSiteEvent: r.target->externalEvent(r.text2, r.text1, r.text3); break;
        case eSiteStatus: r.target->setStatusLine(r.text1); break;
        case eSiteResetStatus: r.target->resetStatusLine(); break;
        case eSiteError: r.target->addError(r.wcode, r.text2, r.text1, r.scode); break;
    }
}

}  // namespace

void release_record(SiteEventRecord* record) {
    if (record->target != nullptr) record->target->Release();
    SysFreeString(record->text1);
    SysFreeString(record->text2);
    SysFreeString(record->text3);
    *record = SiteEventRecord();
}

SiteEventQueue* SiteEventQueue::instance() { return g_queue; }

SiteEventQueue* SiteEventQueue::create() {
    Locked hold(creation_lock());
    if (g_queue == nullptr) g_queue = new SiteEventQueue();
    return g_queue;
}

SiteEventQueue::SiteEventQueue() { InitializeCriticalSection(&m_lock); }

void SiteEventQueue::push(const SiteEventRecord& record) {
    std::list<SiteEventRecord> one;
    try {
        one.push_back(record);  // allocated outside the lock
    } catch (const std::bad_alloc&) {
        SysFreeString(record.text1);
        SysFreeString(record.text2);
        SysFreeString(record.text3);
        return;
    }
    Locked hold(&m_lock);
    m_records.splice(m_records.end(), one);
}

void SiteEventQueue::serviceStarted(DWORD thread) {
    Locked hold(&m_lock);
    ++m_serviceThreads[thread];
}

void SiteEventQueue::serviceStopped(DWORD thread) {
    std::list<SiteEventRecord> dropped;
    {
        Locked hold(&m_lock);
        auto found = m_serviceThreads.find(thread);
        if (found == m_serviceThreads.end() || --found->second > 0) return;
        m_serviceThreads.erase(found);
        // No timer runs on this thread any more: its records would never be delivered.
        for (auto it = m_records.begin(); it != m_records.end();) {
            const auto next = std::next(it);
            if (it->homeThread == thread) dropped.splice(dropped.end(), m_records, it);
            it = next;
        }
    }
    for (SiteEventRecord& r : dropped) release_record(&r);
}

size_t SiteEventQueue::size() {
    Locked hold(&m_lock);
    return m_records.size();
}

bool SiteEventQueue::takeFirstFor(DWORD thread, SiteEventRecord* record, bool* more,
                                  std::list<SiteEventRecord>* dropped) {
    bool taken = false;
    *more = false;
    for (auto it = m_records.begin(); it != m_records.end();) {
        if (it->homeThread != thread && m_serviceThreads.count(it->homeThread) == 0) {
            const auto next = std::next(it);
            dropped->splice(dropped->end(), m_records, it);
            it = next;
            continue;
        }
        if (it->homeThread == thread) {
            if (taken) {
                *more = true;
                break;
            }
            *record = *it;
            taken = true;
            it = m_records.erase(it);
            continue;
        }
        ++it;
    }
    return taken;
}

void SiteEventQueue::drain() {
    if (t_draining) return;
    const DWORD thread = GetCurrentThreadId();
    {
        Locked hold(&m_lock);
        if (m_records.empty()) return;
    }
    t_draining = true;
    std::list<SiteEventRecord> dropped;
    for (;;) {
        SiteEventRecord record;
        bool more = false;
        bool taken = false;
        {
            Locked hold(&m_lock);
            taken = takeFirstFor(thread, &record, &more, &dropped);
        }
        // Released outside the lock: a site's last release calls into its adapter.
        for (SiteEventRecord& r : dropped) release_record(&r);
        dropped.clear();
        if (!taken) break;
        deliver(record);  // results are ignored; a failed delivery drops the record
        release_record(&record);
        // Records added during this delivery wait for the next tick.
        if (!more) break;
    }
    t_draining = false;
}

void CALLBACK queue_timer_proc(HWND, UINT, UINT_PTR, DWORD) {
    SiteEventQueue* queue = SiteEventQueue::instance();
    if (queue != nullptr) queue->drain();
}
