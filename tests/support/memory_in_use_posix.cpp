#include "memory_in_use.h"

#include <malloc.h>

// A sanitizer's allocator keeps freed blocks aside for a while and has its own count of the
// live ones; the C library's count is the plain build's.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#define VELMOR_SANITIZER_ALLOCATOR 1
#endif

namespace velmor_test {

size_t memory_in_use() {
#ifdef VELMOR_SANITIZER_ALLOCATOR
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

}  // namespace velmor_test
