#pragma once
// The edge of a COM or exported entry point: nothing thrown inside it gets out to the caller.

#include <windows.h>

#include <new>

namespace com_addin {

// The HRESULT of `body`; running out of memory inside it gives E_OUTOFMEMORY, anything else
// thrown E_FAIL.
template <class Body>
HRESULT guard_entry(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace com_addin
