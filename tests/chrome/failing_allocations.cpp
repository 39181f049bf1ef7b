#include "failing_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <utility>

namespace {
std::atomic<bool> g_failing{false};
// Allocations to go until the one that throws; 0 when none is to.
std::atomic<unsigned> g_countdown{0};
std::atomic<bool> g_failed{false};
// Run when the allocation that was to throw comes (null when there is nothing to run).
std::atomic<std::function<void()>*> g_atFailure{nullptr};

bool this_one_fails() {
    if (g_failing.load()) return true;
    unsigned left = g_countdown.load();
    while (left > 0 && !g_countdown.compare_exchange_weak(left, left - 1)) {
    }
    if (left != 1) return false;
    g_failed.store(true);
    if (std::function<void()>* action = g_atFailure.load()) (*action)();
    return true;
}
}  // namespace

FailingAllocations::FailingAllocations() { g_failing.store(true); }
FailingAllocations::FailingAllocations(unsigned nth) {
    g_failed.store(false);
    g_countdown.store(nth);
}
FailingAllocations::FailingAllocations(unsigned nth, std::function<void()> atFailure) {
    static std::function<void()> action;
    action = std::move(atFailure);
    g_atFailure.store(&action);
    g_failed.store(false);
    g_countdown.store(nth);
}
FailingAllocations::~FailingAllocations() {
    g_failing.store(false);
    g_countdown.store(0);
    g_atFailure.store(nullptr);
}
bool FailingAllocations::failed() const { return g_failed.load(); }

void* operator new(std::size_t size) {
    if (this_one_fails()) throw std::bad_alloc();
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

// The other forms, so that every allocation and its release meet in this one heap (a sanitizer's
// own versions would otherwise pair with these).
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (this_one_fails()) return nullptr;
    return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
