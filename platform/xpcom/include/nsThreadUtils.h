#pragma once
// The main thread: finding it, testing for it and posting work to it. NS_GetMainThread is
// exported by the browser; the rest is glue over it.

#include "nsIThread.h"

/// The browser's main thread, with a reference added.
XPCOM_API(nsresult) NS_GetMainThread(nsIThread** aResult);

/// Whether the calling thread is the browser's main thread.
bool NS_IsMainThread();

/// Posts aEvent to the main thread's event loop (aFlags: NS_DISPATCH_NORMAL).
nsresult NS_DispatchToMainThread(nsIRunnable* aEvent, uint32_t aFlags = NS_DISPATCH_NORMAL);
