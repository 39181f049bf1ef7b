#pragma once
// The edge between a bridge's C++ and its COM callers: nothing thrown may cross it, as a C++
// exception unwinding into a caller of another compiler or language ends its process.

#include <windows.h>

#include <new>

namespace com_addin {

// Runs `operation`, which returns an HRESULT. An allocation that fails on the way answers
// E_OUTOFMEMORY, any other exception E_FAIL.
template <class Operation>
HRESULT guarded(Operation&& operation) noexcept {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace com_addin
