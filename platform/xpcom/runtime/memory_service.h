#pragma once
// The memory service: nsIMemory over NS_Alloc / NS_Realloc / NS_Free.

#include "nsIMemory.h"
#include "nsISupportsImpl.h"

namespace xpcom_runtime {

class MemoryService final : public nsIMemory {
public:
    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD_(void*) Alloc(size_t size) override;
    NS_IMETHOD_(void*) Realloc(void* ptr, size_t newSize) override;
    NS_IMETHOD_(void) Free(void* ptr) override;
    NS_IMETHOD HeapMinimize(bool immediate) override;
    NS_IMETHOD IsLowMemoryPlatform(bool* _retval) override;

private:
    ~MemoryService() = default;
};

}  // namespace xpcom_runtime
