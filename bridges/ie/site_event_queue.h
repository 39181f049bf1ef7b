#pragma once
// SiteEventQueue: the process-wide queue of add-in callbacks that arrived off a page's
// thread. Every service's 10 ms timer drains it on that service's thread. A record is
// delivered only on its site's own thread: records for a thread that runs no service are
// dropped (those queued before its last service stopped, and any queued after), so no page
// is ever called on another page's thread.
//
// A record keeps no reference to its site: a site that its page let go withdraws its records
// as it ends, and a drain references the site only for one delivery, on the site's own
// thread. So no reference is ever given back on the add-in's thread.
//
// The add-in may send faster than the page takes its events (an event for every code, and
// every CR, of a fast line), so the page's thread is protected twice over: each thread's
// records are kept apart, so that a thread that does not run its loop slows no other, and
// bounded (kDeliveryQueueBytes), beyond which a record is refused; and a drain ends after a
// slice of time (kDeliverySlice), leaving the rest, in order, to the next tick.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>

#include "com_object.h"
#include "page_delivery.h"
#include "server_interfaces.h"

enum SiteEventKind { eSiteEvent = 0, eSiteStatus = 1, eSiteResetStatus = 2, eSiteError = 3 };

// Owns its texts until it is delivered or dropped.
struct SiteEventRecord {
    quillon::ISiteEx* target = nullptr;           // not counted while queued
    velmor_atl::ComObjectRoot* owner = nullptr;   // the target's object, referenced to deliver
    SiteEventKind kind = eSiteEvent;
    BSTR text1 = nullptr;  // event: message; status: the text; error: description
    BSTR text2 = nullptr;  // event and error: source
    BSTR text3 = nullptr;  // event: data
    unsigned short wcode = 0;
    long scode = 0;
    DWORD homeThread = 0;  // the thread whose page the target belongs to
    uint64_t sequence = 0;  // the queue's count when it was added
    size_t bytes = 0;       // what it holds, counted against its thread's cap
};


class SiteEventQueue {
public:
    // The queue once a service has created it; null before.
    static SiteEventQueue* instance();
    static SiteEventQueue* create();  // never destroyed

    // Takes over the record's texts. False when the record is not kept (its thread runs no
    // service, its thread's records are at their cap, or memory ran out): it is dropped with
    // its texts, and the caller tells its sender.
    bool push(const SiteEventRecord& record);

    // Drops the records of a site that is ending.
    void withdraw(quillon::ISiteEx* target);

    // The services of a thread: records are kept for threads that run at least one; when the
    // last one stops, the thread's records are dropped.
    void serviceStarted(DWORD thread);
    void serviceStopped(DWORD thread);

    // Delivers, on the calling thread and in order, the records queued for its sites before
    // the drain began, for at most kDeliverySlice; the rest and later ones wait for the next
    // tick.
    void drain();

    // Records waiting, for tests.
    size_t size();

private:
    SiteEventQueue();
    ~SiteEventQueue() = delete;
    SiteEventQueue(const SiteEventQueue&) = delete;
    SiteEventQueue& operator=(const SiteEventQueue&) = delete;

    // One page thread's: the services it runs and the records for its sites, in order.
    struct ThreadRecords {
        int services = 0;
        std::list<SiteEventRecord> records;
        size_t bytes = 0;  // the sum of the records' `bytes`
    };

    // Under the lock: moves the first record for `thread` queued up to `last` into `taken`,
    // its site referenced for the delivery; a record whose site is already ending goes to
    // `dropped`. False when there is none. Records move between lists without allocating,
    // so nothing here fails.
    bool takeFirstFor(DWORD thread, uint64_t last, std::list<SiteEventRecord>* taken,
                      std::list<SiteEventRecord>* dropped);
    // Under the lock: moves the records of `from` that `drop` selects into `dropped`.
    template <class Selected>
    static void takeOut(ThreadRecords* from, Selected drop, std::list<SiteEventRecord>* dropped);

    CRITICAL_SECTION m_lock;
    std::map<DWORD, ThreadRecords> m_threads;  // the threads that run at least one service
    uint64_t m_added = 0;  // records ever added: the sequence of the last one
};

// The timer procedure of every service.
void CALLBACK queue_timer_proc(HWND window, UINT message, UINT_PTR id, DWORD time);

// Frees the record's texts.
void free_record_texts(SiteEventRecord* record);
