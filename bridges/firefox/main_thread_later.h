#pragma once
// Work an adapter puts off until its add-in's own code has returned: a runnable dispatched to
// the main thread, which holds the adapter until it has run. Asked for again while it is on
// its way, it is not dispatched twice.

#include "nsISupports.h"

class LaterOnMainThread {
public:
    // Dispatches the run, keeping `owner` (the object that holds this) referenced until it
    // has run; true when a run is on its way.
    bool askLater(nsISupports* owner);

protected:
    ~LaterOnMainThread() = default;

private:
    class Dispatched;
    virtual void runLater() = 0;

    bool m_waiting = false;
};
