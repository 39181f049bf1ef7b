#include "site_event_queue.h"

#include <atomic>
#include <chrono>
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

// What a text costs beyond its characters: its length, its terminator and the allocator's
// own record of the block.
constexpr size_t kTextOverhead = 32;
// What a record's list node costs beyond the record.
constexpr size_t kNodeOverhead = 32;

class Locked {
public:
    explicit Locked(CRITICAL_SECTION* lock) : m_lock(lock) { EnterCriticalSection(m_lock); }
    ~Locked() { LeaveCriticalSection(m_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION* m_lock;
};

size_t text_bytes(BSTR text) {
    return text != nullptr ? SysStringByteLen(text) + kTextOverhead : 0;
}

size_t record_bytes(const SiteEventRecord& r) {
    return sizeof(SiteEventRecord) + kNodeOverhead + text_bytes(r.text1) + text_bytes(r.text2) +
           text_bytes(r.text3);
}

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

bool SiteEventQueue::push(const SiteEventRecord& record) {
    std::list<SiteEventRecord> one;
    try {
        one.push_back(record);  // allocated outside the lock
    } catch (const std::bad_alloc&) {
        SiteEventRecord lost = record;
        free_record_texts(&lost);
        return false;
    }
    one.front().bytes = record_bytes(record);
    bool kept = false;
    {
        Locked hold(&m_lock);
        // The page's thread has no service left: nothing would ever deliver this.
        auto found = m_threads.find(record.homeThread);
        if (found != m_threads.end()) {
            ThreadRecords& thread = found->second;
            kept = thread.bytes + one.front().bytes <= kDeliveryQueueBytes;
            if (kept) {
                one.front().sequence = ++m_added;
                thread.bytes += one.front().bytes;
                thread.records.splice(thread.records.end(), one);
            }
        }
    }
    free_records(&one);
    return kept;
}

template <class Selected>
void SiteEventQueue::takeOut(ThreadRecords* from, Selected drop,
                             std::list<SiteEventRecord>* dropped) {
    for (auto it = from->records.begin(); it != from->records.end();) {
        const auto next = std::next(it);
        if (drop(*it)) {
            from->bytes -= it->bytes;
            dropped->splice(dropped->end(), from->records, it);
        }
        it = next;
    }
}

void SiteEventQueue::withdraw(quillon::ISiteEx* target) {
    std::list<SiteEventRecord> dropped;
    {
        Locked hold(&m_lock);
        const auto ofTarget = [&](const SiteEventRecord& r) { return r.target == target; };
        for (auto& entry : m_threads) takeOut(&entry.second, ofTarget, &dropped);
    }
    free_records(&dropped);
}

void SiteEventQueue::serviceStarted(DWORD thread) {
    Locked hold(&m_lock);
    ++m_threads[thread].services;
}

void SiteEventQueue::serviceStopped(DWORD thread) {
    std::list<SiteEventRecord> dropped;
    {
        Locked hold(&m_lock);
        auto found = m_threads.find(thread);
        if (found == m_threads.end() || --found->second.services > 0) return;
        // No timer runs on this thread any more: its records would never be delivered.
        dropped.splice(dropped.end(), found->second.records);
        m_threads.erase(found);
    }
    free_records(&dropped);
}

size_t SiteEventQueue::size() {
    Locked hold(&m_lock);
    size_t records = 0;
    for (const auto& entry : m_threads) records += entry.second.records.size();
    return records;
}

bool SiteEventQueue::takeFirstFor(DWORD thread, uint64_t last,
                                  std::list<SiteEventRecord>* taken,
                                  std::list<SiteEventRecord>* dropped) {
    auto found = m_threads.find(thread);
    if (found == m_threads.end()) return false;
    ThreadRecords& own = found->second;
    while (!own.records.empty()) {
        SiteEventRecord& first = own.records.front();
        if (first.sequence > last) return false;  // queued after this drain began
        own.bytes -= first.bytes;
        // A site whose count has reached zero is ending and withdraws its records.
        const bool live = first.owner->tryAddRef();
        std::list<SiteEventRecord>* to = live ? taken : dropped;
        to->splice(to->end(), own.records, own.records.begin());
        if (live) return true;
    }
    return false;
}

void SiteEventQueue::drain() {
    if (t_draining) return;
    const DWORD thread = GetCurrentThreadId();
    uint64_t last = 0;
    {
        Locked hold(&m_lock);
        auto found = m_threads.find(thread);
        if (found == m_threads.end() || found->second.records.empty()) return;
        last = m_added;
    }
    t_draining = true;
    const auto end = std::chrono::steady_clock::now() + kDeliverySlice;
    std::list<SiteEventRecord> taken, dropped;
    for (;;) {
        bool any = false;
        {
            Locked hold(&m_lock);
            any = takeFirstFor(thread, last, &taken, &dropped);
        }
        free_records(&dropped);
        if (!any) break;
        SiteEventRecord& record = taken.front();
        deliver(record);  // results are ignored; a failed delivery drops the record
        quillon::ISiteEx* target = record.target;
        free_records(&taken);
        target->Release();  // on the site's own thread
        if (std::chrono::steady_clock::now() >= end) break;  // the rest, at the next tick
    }
    t_draining = false;
}

void CALLBACK queue_timer_proc(HWND, UINT, UINT_PTR, DWORD) {
    SiteEventQueue* queue = SiteEventQueue::instance();
    if (queue != nullptr) queue->drain();
}
