#pragma once
// The portable runtime's basic types, as the monitors use them.

#include <cstdint>

#include "nscore.h"

typedef int PRIntn;
typedef PRIntn PRBool;
typedef uint32_t PRUint32;
typedef int32_t PRInt32;
/// A time interval in the runtime's ticks (here: microseconds).
typedef uint32_t PRIntervalTime;

#define PR_TRUE 1
#define PR_FALSE 0

typedef enum { PR_FAILURE = -1, PR_SUCCESS = 0 } PRStatus;

#define PR_INTERVAL_NO_WAIT 0U
#define PR_INTERVAL_NO_TIMEOUT 0xffffffffU

/// Ticks per second of PRIntervalTime.
XPCOM_API(PRUint32) PR_TicksPerSecond();
XPCOM_API(PRIntervalTime) PR_MillisecondsToInterval(PRUint32 milli);
