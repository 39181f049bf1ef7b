#pragma once
// Work an adapter puts off until its add-in's own code has returned: a runnable dispatched to
// the main thread, which holds the adapter until it has run.

#include "nsISupports.h"

class LaterOnMainThread {
public:
    virtual void runLater() = 0;

protected:
    ~LaterOnMainThread() = default;
};

// Dispatches `work` to the main thread, keeping `owner` (the object that holds it) referenced
// until it has run; false when it could not be dispatched.
bool run_later_on_main_thread(nsISupports* owner, LaterOnMainThread* work);
