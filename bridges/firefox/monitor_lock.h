#pragma once
// Holds an NSPR monitor for the life of the object (monitors are re-entrant for their holder).

#include "prmon.h"

class MonitorLock {
public:
    explicit MonitorLock(PRMonitor* monitor) : m_monitor(monitor) { PR_EnterMonitor(m_monitor); }
    ~MonitorLock() { PR_ExitMonitor(m_monitor); }
    MonitorLock(const MonitorLock&) = delete;
    MonitorLock& operator=(const MonitorLock&) = delete;

private:
    PRMonitor* m_monitor;
};
