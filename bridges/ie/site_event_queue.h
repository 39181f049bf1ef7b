#pragma once
// SiteEventQueue: the process-wide queue of add-in callbacks that arrived off a page's
// thread. Every service's 10 ms timer drains it on that service's thread. A record is
// delivered only on its site's own thread: records of a thread that no longer runs a
// service are dropped, so no page is ever called on another page's thread.

#include <windows.h>

#include <list>
#include <map>

#include "server_interfaces.h"

enum SiteEventKind { eSiteEvent = 0, eSiteStatus = 1, eSiteResetStatus = 2, eSiteError = 3 };

// Owns one reference to its target and its texts until it is delivered or dropped.
struct SiteEventRecord {
    quillon::ISiteEx* target = nullptr;
    SiteEventKind kind = eSiteEvent;
    BSTR text1 = nullptr;  // event: message; status: the text; error: description
    BSTR text2 = nullptr;  // event and error: source
    BSTR text3 = nullptr;  // event: data
    unsigned short wcode = 0;
    long scode = 0;
    DWORD homeThread = 0;  // the thread whose page the target belongs to
};

class SiteEventQueue {
public:
    // The queue once a service has created it; null before.
    static SiteEventQueue* instance();
    static SiteEventQueue* create();  // never destroyed

    // Takes over the record (its reference and its texts). A record that finds no room is
    // dropped with its texts; its reference stays taken, since giving it back here, off the
    // site's thread, could end the site on the add-in's own thread.
    void push(const SiteEventRecord& record);

    // The services of a thread: records are kept for threads that run at least one; when the
    // last one stops, the thread's records are dropped.
    void serviceStarted(DWORD thread);
    void serviceStopped(DWORD thread);

    // Delivers, on the calling thread, the records queued for its sites.
    void drain();

    // Records waiting, for tests.
    size_t size();

private:
    SiteEventQueue();
    ~SiteEventQueue() = delete;
    SiteEventQueue(const SiteEventQueue&) = delete;
    SiteEventQueue& operator=(const SiteEventQueue&) = delete;

    // Under the lock: the first record for `thread`, dropping records of threads without a
    // service on the way into `dropped`. False when there is none. Records move between
    // lists without allocating, so neither this nor a drain can fail.
    bool takeFirstFor(DWORD thread, SiteEventRecord* record, bool* more,
                      std::list<SiteEventRecord>* dropped);

    CRITICAL_SECTION m_lock;
    std::list<SiteEventRecord> m_records;
    std::map<DWORD, int> m_serviceThreads;
};

// The timer procedure of every service.
void CALLBACK queue_timer_proc(HWND window, UINT message, UINT_PTR id, DWORD time);

// Releases the record's reference and texts.
void release_record(SiteEventRecord* record);
