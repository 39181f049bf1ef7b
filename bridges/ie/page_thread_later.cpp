#include "page_thread_later.h"

#include <map>

#include "native_boundary.h"

namespace {

// The work waiting for a timer of this thread, by the timer's id.
thread_local std::map<UINT_PTR, LaterOnPageThread*> t_later;

void CALLBACK later_proc(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const auto found = t_later.find(timer);
    if (found == t_later.end()) return;
    LaterOnPageThread* const work = found->second;
    t_later.erase(found);
    work->runLater();
}

}  // namespace

bool run_later_on_page_thread(LaterOnPageThread* work) {
    return native_boundary::guarded(false, [&] {
        const UINT_PTR timer = SetTimer(nullptr, 0, 0, &later_proc);
        if (timer == 0) return false;
        t_later[timer] = work;
        return true;
    });
}
