#pragma once
// nsIMemory: the browser's global allocator as a service. Blocks from it are the same as
// those of NS_Alloc / NS_Free.

#include "nsISupports.h"

#define NS_IMEMORY_IID \
    { 0x6aef11c4, 0x8615, 0x44a6, { 0x97, 0x11, 0x98, 0xf4, 0x38, 0x05, 0x69, 0x3d } }
#define NS_MEMORY_CONTRACTID "@mozilla.org/xpcom/memory-service;1"

class nsIMemory : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(NS_IMEMORY_IID)

    /// A block of at least size bytes (size 0 gives a valid block); null when out of memory.
    NS_IMETHOD_(void*) Alloc(size_t size) = 0;
    /// Resizes a block (null ptr: like Alloc); null when out of memory, the old block kept.
    NS_IMETHOD_(void*) Realloc(void* ptr, size_t newSize) = 0;
    /// Frees a block; null does nothing.
    NS_IMETHOD_(void) Free(void* ptr) = 0;
    NS_IMETHOD HeapMinimize(bool immediate) = 0;
    NS_IMETHOD IsLowMemoryPlatform(bool* _retval) = 0;

protected:
    ~nsIMemory() = default;
};
