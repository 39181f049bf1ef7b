#pragma once
// The root of every COM object of the server: reference count, module lock and aggregation.
// A class derives from its interfaces and from ComObjectRoot, answers its own interfaces in
// findInterface, and puts VELMOR_COM_UNKNOWN in its body. When created inside an outer
// object, its IUnknown operations go to the outer one, and the outer one holds the inner
// unknown (innerUnknown), which alone counts references and answers IUnknown.

#include <windows.h>

#include <atomic>
#include <new>

namespace velmor_atl {

class ComObjectRoot {
public:
    explicit ComObjectRoot(IUnknown* outer);
    virtual ~ComObjectRoot();
    ComObjectRoot(const ComObjectRoot&) = delete;
    ComObjectRoot& operator=(const ComObjectRoot&) = delete;

    IUnknown* innerUnknown() { return &m_inner; }
    // The object's identity: the outer object when aggregated, else the inner unknown.
    IUnknown* controllingUnknown() { return m_outer != nullptr ? m_outer : &m_inner; }

    // A reference taken from another thread only while the object is alive: false once its
    // count has reached zero (it is being destroyed, and stays so whatever its destructor's
    // calls count). An aggregated object counts on its outer one, which keeps it alive.
    bool tryAddRef();

protected:
    // One of the object's own interfaces, or null; IUnknown is answered by the root.
    virtual void* findInterface(REFIID iid) = 0;

    HRESULT delegatedQueryInterface(REFIID iid, void** out);
    ULONG delegatedAddRef();
    ULONG delegatedRelease();

private:
    class Inner : public IUnknown {
    public:
        explicit Inner(ComObjectRoot* owner) : m_owner(owner) {}
        virtual ~Inner() = default;
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        ComObjectRoot* m_owner;
    };

    Inner m_inner;
    IUnknown* m_outer;  // not counted: the outer object owns this one
    std::atomic<ULONG> m_ref{0};
};

// Creates an object of class T (constructed from the outer unknown) and asks it for `iid`.
// Aggregation asks for IUnknown only and receives the inner unknown.
template <class T>
HRESULT create_object(IUnknown* outer, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    T* object = nullptr;
    // A class's construction may throw; nothing thrown leaves the factory.
    try {
        object = new T(outer);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    IUnknown* inner = object->innerUnknown();
    inner->AddRef();
    const HRESULT hr = inner->QueryInterface(iid, out);
    inner->Release();
    return hr;
}

}  // namespace velmor_atl

#define VELMOR_COM_UNKNOWN                                                  \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {          \
        return delegatedQueryInterface(iid, out);                           \
    }                                                                       \
    STDMETHODIMP_(ULONG) AddRef() override { return delegatedAddRef(); }    \
    STDMETHODIMP_(ULONG) Release() override { return delegatedRelease(); }
