#pragma once
// The host's allocator: every block the component hands to the host comes from here.

class IMemoryManager {
public:
    virtual ~IMemoryManager() {}
    virtual bool AllocMemory(void** pMemory, unsigned long ulCountByte) = 0;
    virtual void FreeMemory(void** pMemory) = 0;
};
