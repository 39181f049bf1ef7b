#pragma once
// The add-in's memory manager for a bridge that reads blocks by the length the add-in claims
// for them: it also keeps the size of each block it has out, so that a claim beyond the end
// of a block is not read, and it frees only those blocks, each once.

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>

#include "addin_memory.h"

class SizedAddInMemory : public AddInMemory {
public:
    SizedAddInMemory(AllocateFn allocate, ReleaseFn release);

    bool AllocMemory(void** pMemory, unsigned long ulCountByte) override;
    // Frees *pMemory and nulls it only when it is the start of a block still out; any other
    // pointer (into a block, a block already freed, memory of someone else's) is left alone.
    void FreeMemory(void** pMemory) override;

    // True when `block` is the start of a block this manager has out.
    bool isOut(const void* block) const;

    // True when `at` lies inside a block this manager has out, with `*bytes` set to the bytes
    // from `at` to the end of that block.
    bool bytesToEnd(const void* at, size_t* bytes) const;

private:
    mutable std::mutex m_lock;  // the add-in may allocate on its own threads
    // The start of each block out, and its size.
    std::map<uintptr_t, size_t> m_blocks;
};

// The block sizes of a SizedAddInMemory for a conversion that releases what it read, given a
// record whose blocks stay with their owner (a call's parameter records): it frees nothing
// and allocates nothing.
class SizedReading : public IMemoryManager {
public:
    explicit SizedReading(const SizedAddInMemory& sizes) : m_sizes(sizes) {}
    bool AllocMemory(void** pMemory, unsigned long) override;
    void FreeMemory(void**) override {}
    const SizedAddInMemory& sizes() const { return m_sizes; }

private:
    const SizedAddInMemory& m_sizes;
};

// How many of the `claimed` bytes at `text` may be read: within a block of `memory` (when it
// is a SizedAddInMemory or reads one), no further than that block's end; outside its blocks
// no further than the first zero byte, as wide text stops at its terminator. A manager that
// keeps no sizes knows nothing better than the claim. 0 for a null text.
size_t readable_bytes(IMemoryManager* memory, const char* text, size_t claimed);
