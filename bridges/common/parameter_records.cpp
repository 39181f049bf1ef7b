#include "parameter_records.h"

#include <algorithm>
#include <functional>

#include "tvariant_buffers.h"

namespace {

void empty_records(tVariant* records, size_t count) {
    for (size_t i = 0; i < count; ++i) zero_record(records[i], VTYPE_EMPTY);
}

// Sorts the `count` blocks at `blocks` and moves the distinct non-null ones to the front.
size_t distinct(void** blocks, size_t count) {
    std::sort(blocks, blocks + count, std::less<void*>());
    void** end = std::unique(blocks, blocks + count);
    void** first = std::upper_bound(blocks, end, static_cast<void*>(nullptr), std::less<void*>());
    return static_cast<size_t>(std::copy(first, end, blocks) - blocks);
}

void give_back(void* block, IMemoryManager* memory) {
    if (memory != nullptr) memory->FreeMemory(&block);
}

}  // namespace

ParameterRecords::ParameterRecords(IMemoryManager* lender, IMemoryManager* component)
    : m_lender(lender), m_component(component), m_records(m_inline), m_count(0),
      m_blocks(m_inlineBlocks), m_lent(0), m_lendDone(false) {
    empty_records(m_inline, kInlineRecords);
    zero_record(m_result, VTYPE_EMPTY);
}

ParameterRecords::~ParameterRecords() { release(); }

void ParameterRecords::reset(size_t count) {
    release();
    reserve_blocks(count);
    if (count > kInlineRecords) {
        m_heapRecords.reset(new tVariant[count]);
        m_records = m_heapRecords.get();
    }
    empty_records(m_records, count);
    m_count = count;
}

void ParameterRecords::adopt(tVariant* records, size_t count) {
    release();
    m_heapRecords.reset(records);
    m_records = records != nullptr ? records : m_inline;
    m_count = records != nullptr ? count : 0;
    try {
        reserve_blocks(m_count);
    } catch (...) {
        // Nothing was lent yet: every block the records hold is the host's own, and the
        // lender takes each back once, without the room to sort them.
        for (size_t i = 0; i < m_count; ++i) {
            void* block = held_buffer(m_records[i]);
            bool earlier = false;
            for (size_t j = 0; j < i && !earlier; ++j) earlier = held_buffer(m_records[j]) == block;
            if (!earlier) give_back(block, m_lender);
        }
        m_heapRecords.reset();
        m_records = m_inline;
        m_count = 0;
        throw;
    }
}

void ParameterRecords::reserve_blocks(size_t count) {
    const size_t needed = 2 * (count + 1);
    if (needed <= kInlineBlocks) return;
    m_heapBlocks.reset(new void*[needed]);
    m_blocks = m_heapBlocks.get();
}

void ParameterRecords::lend() {
    m_lent = held_blocks(m_blocks);
    m_lendDone = true;
}

size_t ParameterRecords::held_blocks(void** into) const {
    size_t n = 0;
    into[n++] = held_buffer(m_result);
    for (size_t i = 0; i < m_count; ++i) into[n++] = held_buffer(m_records[i]);
    return n;
}

void ParameterRecords::release() noexcept {
    const size_t lent = distinct(m_blocks, m_lent);
    void** held = m_blocks + lent;
    const size_t heldCount = distinct(held, held_blocks(held));
    // Before the call every block the records hold is still the host's.
    IMemoryManager* const heldOwner = m_lendDone ? m_component : m_lender;
    for (size_t i = 0; i < lent; ++i) give_back(m_blocks[i], m_lender);
    for (size_t i = 0; i < heldCount; ++i) {
        if (!std::binary_search(m_blocks, m_blocks + lent, held[i], std::less<void*>())) {
            give_back(held[i], heldOwner);
        }
    }
    m_lent = 0;
    m_lendDone = false;
    m_heapRecords.reset();
    m_heapBlocks.reset();
    m_records = m_inline;
    m_blocks = m_inlineBlocks;
    m_count = 0;
    empty_records(m_inline, kInlineRecords);
    zero_record(m_result, VTYPE_EMPTY);
}
