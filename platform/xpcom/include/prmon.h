#pragma once
// The portable runtime's monitors: a re-entrant lock with a condition, exported by the
// browser. A thread that holds a monitor may enter it again; it is free again when every
// entry has been exited.

#include "prtypes.h"

struct PRMonitor;

/// A new monitor; null when out of resources.
XPCOM_API(PRMonitor*) PR_NewMonitor();
/// Destroys a monitor nobody holds or waits on; null does nothing.
XPCOM_API(void) PR_DestroyMonitor(PRMonitor* mon);
/// Enters the monitor, waiting while another thread holds it.
XPCOM_API(void) PR_EnterMonitor(PRMonitor* mon);
/// Leaves one entry; PR_FAILURE when the calling thread does not hold the monitor.
XPCOM_API(PRStatus) PR_ExitMonitor(PRMonitor* mon);
/// Frees the monitor and waits for a notification or the timeout, then takes it back with
/// all the caller's entries. PR_FAILURE when the caller does not hold it.
XPCOM_API(PRStatus) PR_Wait(PRMonitor* mon, PRIntervalTime ticks);
/// Wakes one waiter (or all). PR_FAILURE when the caller does not hold the monitor.
XPCOM_API(PRStatus) PR_Notify(PRMonitor* mon);
XPCOM_API(PRStatus) PR_NotifyAll(PRMonitor* mon);
