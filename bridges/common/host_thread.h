#pragma once
// The thread a host belongs to: the one that made it, which is the thread that connects an
// add-in object (the Chrome host's message loop, the browser's main thread, the page's
// thread). The page's objects and dialogs are that thread's alone.

#include <thread>

class HostThread {
public:
    HostThread() : m_id(std::this_thread::get_id()) {}
    bool isCurrent() const { return std::this_thread::get_id() == m_id; }

private:
    std::thread::id m_id;
};
