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
    if (memory != nullptr && block != nullptr) memory->FreeMemory(&block);
}

}  // namespace

ParameterRecords::ParameterRecords(IMemoryManager* lender, SizedAddInMemory* component)
    : m_lender(lender), m_component(component), m_records(m_inline), m_count(0),
      m_blocks(m_inlineBlocks), m_lent(0), m_hostLent(0), m_lendDone(false) {
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
            if (!earlier) give_back_host(block);
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
    m_lent = distinct(m_blocks, held_blocks(m_blocks));
    // The host's own blocks first, then the component's (the defaults), each part sorted: who
    // owns a block is known now, before the add-in can free it.
    void** const hostEnd = std::stable_partition(
        m_blocks, m_blocks + m_lent, [this](void* block) { return !isComponents(block); });
    m_hostLent = static_cast<size_t>(hostEnd - m_blocks);
    m_lendDone = true;
}

size_t ParameterRecords::held_blocks(void** into) const {
    size_t n = 0;
    into[n++] = held_buffer(m_result);
    for (size_t i = 0; i < m_count; ++i) into[n++] = held_buffer(m_records[i]);
    return n;
}

bool ParameterRecords::isComponents(const void* block) const {
    return m_component != nullptr && m_component->isOut(block);
}

bool ParameterRecords::wasLent(void* block) const {
    const std::less<void*> order;
    void** const hostEnd = m_blocks + m_hostLent;
    return std::binary_search(m_blocks, hostEnd, block, order) ||
           std::binary_search(hostEnd, m_blocks + m_lent, block, order);
}

void ParameterRecords::give_back_host(void* block) noexcept {
    // A lender of its own is the host's alone, so its blocks are still out; one shared with
    // the component frees only what the add-in did not free already.
    give_back(block, m_lender == m_component ? m_component : m_lender);
}

void ParameterRecords::release() noexcept {
    const size_t lent = m_lent;
    void** held = m_blocks + lent;
    const size_t heldCount = distinct(held, held_blocks(held));
    for (size_t i = 0; i < m_hostLent; ++i) give_back_host(m_blocks[i]);
    // The component frees only its own blocks still out, each once.
    for (size_t i = m_hostLent; i < lent; ++i) give_back(m_blocks[i], m_component);
    for (size_t i = 0; i < heldCount; ++i) {
        void* const block = held[i];
        if (wasLent(block)) continue;
        if (m_lendDone || isComponents(block)) {
            give_back(block, m_component);
        } else {
            give_back_host(block);  // before the call a block held is the host's or a default
        }
    }
    m_lent = 0;
    m_hostLent = 0;
    m_lendDone = false;
    m_heapRecords.reset();
    m_heapBlocks.reset();
    m_records = m_inline;
    m_blocks = m_inlineBlocks;
    m_count = 0;
    empty_records(m_inline, kInlineRecords);
    zero_record(m_result, VTYPE_EMPTY);
}
