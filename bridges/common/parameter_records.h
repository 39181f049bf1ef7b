#pragma once
// The records of one call into a native add-in: its parameters and its result, and the
// blocks in them. The host lends a block for each text it passes in; during the call the
// add-in may keep it, write a block of its own over it, move it to another record or write
// one block into several records. Whatever it did, release() gives back every block the host
// lent and every block of the component's memory manager that the records hold afterwards,
// each exactly once, and it does so on unwinding too. What else the add-in left in a record
// (a pointer into a block, a block it already freed, memory of its own) is left alone. A few
// records live inside the object, so that a common call allocates nothing beyond the texts
// themselves.

#include <cstddef>
#include <memory>

#include "IMemoryManager.h"
#include "sized_addin_memory.h"
#include "types.h"

class ParameterRecords {
public:
    // Blocks the host made go back to `lender`; blocks of `component` (the memory manager the
    // add-in was given) go back to it while they are out. The two may be the same.
    ParameterRecords(IMemoryManager* lender, SizedAddInMemory* component);
    ~ParameterRecords();
    ParameterRecords(const ParameterRecords&) = delete;
    ParameterRecords& operator=(const ParameterRecords&) = delete;

    // `count` empty parameter records and an empty result; what was held is released first.
    void reset(size_t count);
    // Takes over an array made with new tVariant[count] (null when count is 0), with the
    // blocks in it; what was held is released first. Nothing is left behind when it throws.
    void adopt(tVariant* records, size_t count);
    // The blocks the records hold now are lent for the call: the host's own and the defaults
    // the component gave for them. Call it once, after the host filled the records (defaults
    // included) and before the add-in writes into them; until then every block held counts
    // as lent.
    void lend();

    tVariant* data() { return m_count > 0 ? m_records : nullptr; }
    size_t size() const { return m_count; }
    tVariant& operator[](size_t i) { return m_records[i]; }
    const tVariant& operator[](size_t i) const { return m_records[i]; }
    tVariant& result() { return m_result; }

    // Every block given back once; then no records are held.
    void release() noexcept;

private:
    static const size_t kInlineRecords = 4;
    static const size_t kInlineBlocks = 2 * (kInlineRecords + 1);

    // Room for the lent blocks and the held ones of `count` records and the result.
    void reserve_blocks(size_t count);
    size_t held_blocks(void** into) const;
    bool isComponents(const void* block) const;  // a block of the component still out
    bool wasLent(void* block) const;
    void give_back_host(void* block) noexcept;

    IMemoryManager* m_lender;
    SizedAddInMemory* m_component;
    tVariant m_inline[kInlineRecords];
    std::unique_ptr<tVariant[]> m_heapRecords;
    tVariant* m_records;
    size_t m_count;
    tVariant m_result;
    void* m_inlineBlocks[kInlineBlocks];
    std::unique_ptr<void*[]> m_heapBlocks;
    void** m_blocks;
    size_t m_lent;      // distinct blocks lent: the host's own first, then the component's
    size_t m_hostLent;  // of them, the host's own
    bool m_lendDone;
};
