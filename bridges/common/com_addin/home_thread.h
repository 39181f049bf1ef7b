#pragma once
// The thread a COM adapter belongs to: the one that made it, which is the page's (the Chrome
// host's message loop, the browser's main thread, the Internet Explorer page's thread). An
// add-in may call only the events and the event buffer's depth from a thread of its own; any
// other host call belongs here, and from another thread it is refused without touching the
// page, the site or its listener.

#include <windows.h>

namespace com_addin {

class HomeThread {
public:
    HomeThread() : m_id(GetCurrentThreadId()) {}
    bool isCurrent() const { return GetCurrentThreadId() == m_id; }

private:
    const DWORD m_id;
};

}  // namespace com_addin
