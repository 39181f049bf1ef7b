#pragma once
// The delivery timer and queue as the services share them. Every service object shares one
// delivery queue and (through the service manager) one timer; they stay while any service
// lives: the first service sets up the queue and arms the timer, the last one cancels the
// timer and lets the queue go. Main thread only.

#include "nsITimer.h"

// The timer period in milliseconds.
const uint32_t kTimerInterval = 10;

// The timer's callback: dispatches the delivery queue to the main thread on every tick.
void APCProcNotification(nsITimer* timer, void* closure);

// A service object came to life; `timer` is the timer it obtained (may be null).
void delivery_service_started(nsITimer* timer);
// A service object is going away; the last one stops delivery.
void delivery_service_stopped();
