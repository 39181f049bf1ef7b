#pragma once
// The test program's own operator new, which can be made to fail as when memory is exhausted:
// every allocation of the program throws std::bad_alloc while a FailingAllocations exists.
// Only one thread may run meanwhile.

#include <functional>

class FailingAllocations {
public:
    FailingAllocations();
    // Only the nth allocation from now on throws (1: the next one).
    explicit FailingAllocations(unsigned nth);
    // The same, running `atFailure` at the moment the nth allocation is about to throw (on the
    // allocating thread; it must not allocate).
    FailingAllocations(unsigned nth, std::function<void()> atFailure);
    ~FailingAllocations();
    // Whether the allocation that was to throw came.
    bool failed() const;
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};
