// The browser's allocator (NS_Alloc and friends) and the memory service over it.

#include <cstdlib>

#include "memory_service.h"
#include "nsXPCOM.h"

XPCOM_API(void*) NS_Alloc(size_t size) { return std::malloc(size ? size : 1); }

XPCOM_API(void*) NS_Realloc(void* ptr, size_t size) { return std::realloc(ptr, size ? size : 1); }

XPCOM_API(void) NS_Free(void* ptr) { std::free(ptr); }

namespace xpcom_runtime {

NS_IMPL_ADDREF(MemoryService)
NS_IMPL_RELEASE(MemoryService)
NS_INTERFACE_MAP_BEGIN(MemoryService)
    NS_INTERFACE_MAP_ENTRY(nsIMemory)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

NS_IMETHODIMP_(void*) MemoryService::Alloc(size_t size) { return NS_Alloc(size); }

NS_IMETHODIMP_(void*) MemoryService::Realloc(void* ptr, size_t newSize) {
    return NS_Realloc(ptr, newSize);
}

NS_IMETHODIMP_(void) MemoryService::Free(void* ptr) { NS_Free(ptr); }

NS_IMETHODIMP MemoryService::HeapMinimize(bool) { return NS_OK; }

NS_IMETHODIMP MemoryService::IsLowMemoryPlatform(bool* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    return NS_OK;
}

}  // namespace xpcom_runtime
