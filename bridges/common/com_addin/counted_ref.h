#pragma once
// A COM reference held for the length of a scope: taken when made, given back at the end.

namespace com_addin {

template <class T>
class CountedRef {
public:
    explicit CountedRef(T* pointer) : m_pointer(pointer) {
        if (m_pointer != nullptr) m_pointer->AddRef();
    }
    ~CountedRef() {
        if (m_pointer != nullptr) m_pointer->Release();
    }
    CountedRef(const CountedRef&) = delete;
    CountedRef& operator=(const CountedRef&) = delete;

    T* get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }

private:
    T* m_pointer;
};

}  // namespace com_addin
