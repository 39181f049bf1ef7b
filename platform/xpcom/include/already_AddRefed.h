#pragma once
// already_AddRefed<T>: a pointer whose reference is handed over with it. Its destructor is
// user-provided, as in the browser's generation, so the type is returned in memory and a
// factory hook of the module record keeps that generation's calling convention.

template <class T>
struct already_AddRefed {
    already_AddRefed() : mRawPtr(nullptr) {}
    explicit already_AddRefed(T* aRawPtr) : mRawPtr(aRawPtr) {}
    already_AddRefed(already_AddRefed&& aOther) : mRawPtr(aOther.take()) {}
    already_AddRefed(const already_AddRefed&) = delete;
    already_AddRefed& operator=(const already_AddRefed&) = delete;
    ~already_AddRefed() {}

    /// Gives up the pointer and its reference to the caller.
    T* take() {
        T* ptr = mRawPtr;
        mRawPtr = nullptr;
        return ptr;
    }

    T* mRawPtr;
};
