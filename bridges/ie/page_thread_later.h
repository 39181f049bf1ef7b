#pragma once
// Work an adapter puts off until its add-in's own code has returned: a zero-time timer of the
// page's thread, whose message loop runs it once. The adapter keeps itself referenced until
// then (its runLater gives that reference back).

#include <windows.h>

class LaterOnPageThread {
public:
    virtual void runLater() = 0;

protected:
    ~LaterOnPageThread() = default;
};

// Starts the timer for `work` on the calling thread; false when none could be made.
bool run_later_on_page_thread(LaterOnPageThread* work);
