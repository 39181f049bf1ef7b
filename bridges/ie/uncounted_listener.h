#pragma once
// An adapter keeps its site's listener without a reference. The site owns the adapter and
// outlives it (its destruction calls the adapter's done, then releases it); a counted
// reference back would keep both alive for ever, and with them the add-in's object.

#include "server_interfaces.h"

// Gives back the reference that QueryInterface took and returns the plain pointer.
inline quillon::IInnerListener* uncounted_listener(quillon::IInnerListener* listener) {
    if (listener != nullptr) listener->Release();
    return listener;
}
