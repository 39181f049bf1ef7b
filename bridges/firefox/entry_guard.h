#pragma once
// Nothing thrown may unwind into the browser's script binding, its timer, or an add-in's
// call into the component: each entry point runs its body through one of these, which turn an
// exception into a failure result. Whatever the body holds is released by its own owners
// during the unwinding.

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

// For an entry point whose result is no nsresult: `failure` when the body throws.
template <class Result, class Body>
Result guarded_or(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

template <class Body>
void guarded_void(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}
