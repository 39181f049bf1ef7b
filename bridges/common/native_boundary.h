#pragma once
// The edge between a bridge and the native add-in that calls its host operations: nothing
// thrown may cross it. The add-in is built apart from the bridge, often calls from a thread of
// its own, and a C++ exception unwinding into it ends the process.

namespace native_boundary {

// Runs `operation` and answers its result; anything thrown on the way (a failed allocation
// while a message or a text is built, a failed conversion) answers `failure` instead.
template <class Result, class Operation>
Result guarded(Result failure, Operation&& operation) noexcept {
    try {
        return operation();
    } catch (...) {
        return failure;
    }
}

// The same for an operation that answers nothing: what is thrown ends there.
template <class Operation>
void guarded(Operation&& operation) noexcept {
    try {
        operation();
    } catch (...) {
    }
}

}  // namespace native_boundary
