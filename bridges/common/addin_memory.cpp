#include "addin_memory.h"

#include <cstring>

AddInMemory::AddInMemory(AllocateFn allocate, ReleaseFn release)
    : m_allocate(allocate), m_release(release), m_blocksOut(0) {}

bool AddInMemory::AllocMemory(void** pMemory, unsigned long ulCountByte) {
    if (pMemory == nullptr) return false;
    const size_t bytes = ulCountByte != 0 ? ulCountByte : 1;
    *pMemory = m_allocate(bytes);
    if (*pMemory == nullptr) return false;
    std::memset(*pMemory, 0, bytes);
    ++m_blocksOut;
    return true;
}

void AddInMemory::FreeMemory(void** pMemory) {
    if (pMemory == nullptr || *pMemory == nullptr) return;
    --m_blocksOut;
    m_release(*pMemory);
    *pMemory = nullptr;
}
