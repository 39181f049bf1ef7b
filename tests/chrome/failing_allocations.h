#pragma once
// The test program's own operator new, which can be made to fail as when memory is exhausted:
// every allocation of the program throws std::bad_alloc while a FailingAllocations exists.
// Only one thread may run meanwhile.

class FailingAllocations {
public:
    FailingAllocations();
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};
