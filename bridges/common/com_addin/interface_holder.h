#pragma once
// One counted reference to a COM interface, given back when the holder ends or is reset.

#include <windows.h>

#include <utility>

namespace com_addin {

template <class T>
class InterfaceHolder {
public:
    InterfaceHolder() = default;
    // Takes over a reference the caller already holds.
    explicit InterfaceHolder(T* adopted) : m_pointer(adopted) {}
    ~InterfaceHolder() { reset(); }
    InterfaceHolder(const InterfaceHolder&) = delete;
    InterfaceHolder& operator=(const InterfaceHolder&) = delete;
    InterfaceHolder(InterfaceHolder&& other) noexcept : m_pointer(other.detach()) {}
    InterfaceHolder& operator=(InterfaceHolder&& other) noexcept {
        if (this != &other) {
            reset();
            m_pointer = other.detach();
        }
        return *this;
    }

    // A new reference to `pointer` (null allowed).
    static InterfaceHolder referenced(T* pointer) {
        if (pointer != nullptr) pointer->AddRef();
        return InterfaceHolder(pointer);
    }

    T* get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // For an out-parameter: the reference held so far is given back first.
    T** put() {
        reset();
        return &m_pointer;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    void reset() {
        T* held = detach();
        if (held != nullptr) held->Release();
    }
    // The reference goes to the caller.
    T* detach() { return std::exchange(m_pointer, nullptr); }

private:
    T* m_pointer = nullptr;
};

}  // namespace com_addin
