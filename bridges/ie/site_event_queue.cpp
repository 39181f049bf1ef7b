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

// Each record is dropped or delivered on the thread that calls here, outside the lock.
void free_records(std::list<SiteEventRecord>* records) {
    for (SiteEventRecord& r : *records) free_record_texts(&r);
    records->clear();
}

}  // namespace

void free_record_texts(SiteEventRecord* record) {
    SysFreeString(record->text1);
    SysFreeString(record->text2);
    SysFreeString(record->text3);
    record->text1 = record->text2 = record->text3 = nullptr;
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
        SiteEventRecord lost = record;
        free_record_texts(&lost);
        return;
    }
    {
        Locked hold(&m_lock);
        // The page's thread has no service left: nothing would ever deliver this.
        if (m_serviceThreads.count(record.homeThread) != 0) {
            one.front().sequence = ++m_added;
            m_records.splice(m_records.end(), one);
        }
    }
    free_records(&one);
}

template <class Selected>
void SiteEventQueue::takeOut(Selected drop, std::list<SiteEventRecord>* dropped) {
    for (auto it = m_records.begin(); it != m_records.end();) {
        const auto next = std::next(it);
        if (drop(*it)) dropped->splice(dropped->end(), m_records, it);
        it = next;
    }
}

void SiteEventQueue::withdraw(quillon::ISiteEx* target) {
    std::list<SiteEventRecord> dropped;
    {
        Locked hold(&m_lock);
        takeOut([&](const SiteEventRecord& r) { return r.target == target; }, &dropped);
    }
    free_records(&dropped);
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
        takeOut([&](const SiteEventRecord& r) { return r.homeThread == thread; }, &dropped);
    }
    free_records(&dropped);
}

size_t SiteEventQueue::size() {
    Locked hold(&m_lock);
    return m_records.size();
}

bool SiteEventQueue::takeFirstFor(DWORD thread, uint64_t last, SiteEventRecord* record,
                                  std::list<SiteEventRecord>* dropped) {
    for (auto it = m_records.begin(); it != m_records.end();) {
        if (it->homeThread != thread) {
            ++it;
            continue;
        }
        if (it->sequence > last) return false;  // queued after this drain began
        // A site whose count has reached zero is ending and withdraws its records.
        if (!it->owner->tryAddRef()) {
            const auto next = std::next(it);
            dropped->splice(dropped->end(), m_records, it);
            it = next;
            continue;
        }
        *record = *it;
        m_records.erase(it);
        return true;
    }
    return false;
}

void SiteEventQueue::drain() {
    if (t_draining) return;
    const DWORD thread = GetCurrentThreadId();
    uint64_t last = 0;
    {
        Locked hold(&m_lock);
        if (m_records.empty()) return;
        last = m_added;
    }
    t_draining = true;
    std::list<SiteEventRecord> dropped;
    for (;;) {
        SiteEventRecord record;
        bool taken = false;
        {
            Locked hold(&m_lock);
            taken = takeFirstFor(thread, last, &record, &dropped);
        }
        free_records(&dropped);
        if (!taken) break;
        deliver(record);  // results are ignored; a failed delivery drops the record
        free_record_texts(&record);
        record.target->Release();  // on the site's own thread
    }
    t_draining = false;
}

void CALLBACK queue_timer_proc(HWND, UINT, UINT_PTR, DWORD) {
    SiteEventQueue* queue = SiteEventQueue::instance();
    if (queue != nullptr) queue->drain();
}
