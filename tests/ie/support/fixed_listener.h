#pragma once
// The part of a test's page listener that every such listener shares: an IDispatch that the
// test owns (on its stack; references are not counted) and that has no type information.
// A listener adds the names it answers and what its calls do.

#include <windows.h>

namespace velmor_test {

class FixedListener : public IDispatch {
public:
    virtual ~FixedListener() = default;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
};

}  // namespace velmor_test
