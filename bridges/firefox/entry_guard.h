#pragma once
// Nothing thrown may unwind into the browser's script binding, its timer, or an add-in's
// call into the component: each entry point runs its body through this, which turns an
// exception into a failure result (native_boundary.h does so for results that are no
// nsresult). Whatever the body holds is released by its own owners during the unwinding.

#include <new>

#include "nsError.h"

template <class Body>
nsresult guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return NS_ERROR_OUT_OF_MEMORY;
    } catch (...) {
        return NS_ERROR_FAILURE;
    }
}
