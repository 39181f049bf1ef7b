#include "failing_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_failing{false};
}  // namespace

FailingAllocations::FailingAllocations() { g_failing.store(true); }
FailingAllocations::~FailingAllocations() { g_failing.store(false); }

void* operator new(std::size_t size) {
    if (g_failing.load()) throw std::bad_alloc();
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
