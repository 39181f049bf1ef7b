#include "page_thread_later.h"

#include <map>

#include "native_boundary.h"

namespace {

struct Waiting {
    LaterOnPageThread* work;
    IUnknown* owner;  // referenced until the work has run
};

// The work waiting for a timer of this thread, by the timer's id.
thread_local std::map<UINT_PTR, Waiting> t_waiting;

}  // namespace

bool LaterOnPageThread::askLater(IUnknown* owner) {
    if (m_waiting) return true;
    m_waiting = native_boundary::guarded(false, [&] {
        const UINT_PTR timer = SetTimer(nullptr, 0, 0, &timerFired);
        if (timer == 0) return false;
        t_waiting[timer] = Waiting{this, owner};
        owner->AddRef();
        return true;
    });
    return m_waiting;
}

void CALLBACK LaterOnPageThread::timerFired(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const auto found = t_waiting.find(timer);
    if (found == t_waiting.end()) return;
    const Waiting waiting = found->second;
    t_waiting.erase(found);
    waiting.work->m_waiting = false;
    waiting.work->runLater();
    waiting.owner->Release();  // the last act: the work may be gone after it
}
