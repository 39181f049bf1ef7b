#include "sized_addin_memory.h"

#include <iterator>

SizedAddInMemory::SizedAddInMemory(AllocateFn allocate, ReleaseFn release)
    : AddInMemory(allocate, release) {}

bool SizedAddInMemory::AllocMemory(void** pMemory, unsigned long ulCountByte) {
    if (!AddInMemory::AllocMemory(pMemory, ulCountByte)) return false;
    try {
        std::lock_guard<std::mutex> lock(m_lock);
        m_blocks[reinterpret_cast<uintptr_t>(*pMemory)] = ulCountByte;
    } catch (...) {  // no room to note it: the add-in gets no block it could overrun
        AddInMemory::FreeMemory(pMemory);
        return false;
    }
    return true;
}

void SizedAddInMemory::FreeMemory(void** pMemory) {
    if (pMemory == nullptr || *pMemory == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_blocks.erase(reinterpret_cast<uintptr_t>(*pMemory)) == 0) return;
    }
    AddInMemory::FreeMemory(pMemory);
}

bool SizedAddInMemory::isOut(const void* block) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_blocks.count(reinterpret_cast<uintptr_t>(block)) != 0;
}

bool SizedAddInMemory::bytesToEnd(const void* at, size_t* bytes) const {
    const uintptr_t place = reinterpret_cast<uintptr_t>(at);
    std::lock_guard<std::mutex> lock(m_lock);
    const auto after = m_blocks.upper_bound(place);
    if (after == m_blocks.begin()) return false;
    const auto block = std::prev(after);
    const size_t offset = place - block->first;
    // Past its end; a block of 0 bytes still holds its own start.
    if (offset != 0 && offset >= block->second) return false;
    *bytes = block->second - offset;
    return true;
}

bool SizedReading::AllocMemory(void** pMemory, unsigned long) {
    if (pMemory != nullptr) *pMemory = nullptr;
    return false;
}

namespace {

const SizedAddInMemory* sizes_of(IMemoryManager* memory) {
    const SizedReading* reading = dynamic_cast<const SizedReading*>(memory);
    return reading != nullptr ? &reading->sizes() : dynamic_cast<const SizedAddInMemory*>(memory);
}

template <typename Unit>
size_t units_before_zero(const Unit* text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n] != 0) ++n;
    return n;
}

enum Reading { eBlob, eText };

template <typename Unit>
size_t readable_units(IMemoryManager* memory, const Unit* at, size_t claimed, Reading reading) {
    if (at == nullptr) return 0;
    const SizedAddInMemory* sizes = sizes_of(memory);
    if (sizes == nullptr) return claimed != kUpToTerminator ? claimed : units_before_zero(at, claimed);
    size_t bytes = 0;
    if (!sizes->bytesToEnd(at, &bytes)) return units_before_zero(at, claimed);
    const size_t inBlock = bytes / sizeof(Unit);
    if (claimed <= inBlock) return claimed;
    return reading == eText ? units_before_zero(at, inBlock) : inBlock;
}

}  // namespace

size_t readable_bytes(IMemoryManager* memory, const char* bytes, size_t claimed) {
    return readable_units(memory, bytes, claimed, eBlob);
}

size_t readable_text(IMemoryManager* memory, const char* text, size_t claimed) {
    return readable_units(memory, text, claimed, eText);
}

size_t readable_text(IMemoryManager* memory, const uint16_t* text, size_t claimed) {
    return readable_units(memory, text, claimed, eText);
}
