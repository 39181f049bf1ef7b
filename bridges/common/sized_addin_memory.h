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

// How much of what the add-in hands over may be read, by the length it claims and the sizes
// `memory` keeps (when it is a SizedAddInMemory or reads one); a manager that keeps no sizes
// knows nothing better than the claim. Outside its blocks (the add-in's own memory) nothing is
// read past the first zero. 0 for a null pointer.

// A claim of a text that names no length: it ends at its terminator.
const size_t kUpToTerminator = SIZE_MAX;

// Bytes of a blob: no further than the end of its block.
size_t readable_bytes(IMemoryManager* memory, const char* bytes, size_t claimed);
// Bytes of a narrow text, or units of a wide one: the claim while it lies within the block,
// embedded zeros and all; a claim that runs past its block ends at the block's first zero, or
// at its end when it holds none.
size_t readable_text(IMemoryManager* memory, const char* text, size_t claimed);
size_t readable_text(IMemoryManager* memory, const uint16_t* text, size_t claimed);
