#pragma once
// A class factory for one class, given the function that creates its objects. Factories
// themselves hold no module lock; LockServer(TRUE) does.

#include <windows.h>

#include <atomic>

namespace velmor_atl {

typedef HRESULT (*CreateFunction)(IUnknown* outer, REFIID iid, void** out);

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(CreateFunction create) : m_create(create) {}
    virtual ~ClassFactory() = default;
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    CreateFunction m_create;
    std::atomic<ULONG> m_ref{0};
};

}  // namespace velmor_atl
