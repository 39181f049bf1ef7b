#pragma once
// The add-in's memory manager as a bridge offers it: every block the component hands to the
// bridge, and every block the bridge creates for the component, comes from here. Blocks are
// zero-filled, a freed pointer is set to null (so freeing twice is harmless) and the blocks
// still out are counted. Which heap the blocks come from is the bridge's: the Chrome host uses
// the C heap, the Firefox component the browser's allocator.

#include <atomic>
#include <cstddef>

#include "IMemoryManager.h"

class AddInMemory : public IMemoryManager {
public:
    typedef void* (*AllocateFn)(size_t bytes);
    typedef void (*ReleaseFn)(void* block);

    AddInMemory(AllocateFn allocate, ReleaseFn release);
    ~AddInMemory() override {}

    // False (and *pMemory null) when pMemory is null or the heap refuses. A request of 0
    // bytes still yields a block of its own.
    bool AllocMemory(void** pMemory, unsigned long ulCountByte) override;
    // Nothing for a null pMemory or *pMemory; otherwise releases and nulls *pMemory.
    void FreeMemory(void** pMemory) override;

    // Blocks handed out and not yet freed.
    long blocksOut() const { return m_blocksOut.load(); }

private:
    AllocateFn m_allocate;
    ReleaseFn m_release;
    std::atomic<long> m_blocksOut;
};
