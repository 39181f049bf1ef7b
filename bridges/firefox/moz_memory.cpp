// Allocation entry points over the browser's memory service, exported for whoever expects
// them beside the component; nothing in the component calls them.

#include "nsCOMPtr.h"
#include "nsIMemory.h"
#include "nsXPCOM.h"

namespace {
nsCOMPtr<nsIMemory> memory_service() {
    nsCOMPtr<nsIMemory> memory;
    if (NS_FAILED(NS_GetMemoryManager(getter_AddRefs(memory)))) memory = nullptr;
    return memory;
}
}  // namespace

extern "C" NS_EXPORT_ABI void* moz_xmalloc(size_t size) {
    nsCOMPtr<nsIMemory> memory = memory_service();
    return memory ? memory->Alloc(size) : nullptr;
}

extern "C" NS_EXPORT_ABI void moz_free(void* ptr) {
    nsCOMPtr<nsIMemory> memory = memory_service();
    if (memory) memory->Free(ptr);
}

extern "C" NS_EXPORT_ABI void* moz_xrealloc(void* ptr, size_t size) {
    nsCOMPtr<nsIMemory> memory = memory_service();
    return memory ? memory->Realloc(ptr, size) : nullptr;
}
