#pragma once
// Work an adapter puts off until its add-in's own code has returned: a zero-time timer of the
// page's thread, whose message loop runs it once. Asked for again while it waits, it is not
// started twice.

#include <windows.h>

class LaterOnPageThread {
public:
    // Starts the timer on the calling thread, keeping `owner` (the object that holds this)
    // referenced until runLater has run; true when a run is on its way.
    bool askLater(IUnknown* owner);

protected:
    ~LaterOnPageThread() = default;

private:
    virtual void runLater() = 0;
    static void CALLBACK timerFired(HWND, UINT, UINT_PTR timer, DWORD);

    bool m_waiting = false;
};
