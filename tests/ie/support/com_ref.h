#pragma once
// What the server's compiled-client tests share: one counted reference, and creating an
// object of the server in process.

#include <windows.h>

namespace velmor_test {

template <class T>
class Ref {
public:
    Ref() = default;
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T** put() {
        reset();
        return &m_p;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }
    void reset() {
        if (m_p != nullptr) m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

inline HRESULT create(REFCLSID clsid, REFIID iid, void** out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

}  // namespace velmor_test
