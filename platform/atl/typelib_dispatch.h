#pragma once
// IDispatch answered from the type library embedded in the server's own file (resource
// TYPELIB 1), loaded from that file and not looked up in the registry. A dual interface I
// gets its IDispatch operations by deriving from DispatchImpl<I>, giving its IID.

#include <windows.h>
#include <oaidl.h>

namespace velmor_atl {

// The type information of an interface of the embedded library (its vtable description for
// a dual interface), referenced for the caller; loaded once per process.
HRESULT embedded_type_info(REFIID iid, ITypeInfo** info);

// The embedded library itself, referenced for the caller.
HRESULT embedded_type_library(ITypeLib** library);

template <class Interface>
class DispatchImpl : public Interface {
public:
    explicit DispatchImpl(const IID& iid) : m_iid(iid) {}

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (info == nullptr) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return embedded_type_info(m_iid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                               DISPID* ids) override {
        ITypeInfo* info = nullptr;
        HRESULT hr = embedded_type_info(m_iid, &info);
        if (FAILED(hr)) return hr;
        hr = DispGetIDsOfNames(info, names, count, ids);
        info->Release();
        return hr;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
        ITypeInfo* info = nullptr;
        HRESULT hr = embedded_type_info(m_iid, &info);
        if (FAILED(hr)) return hr;
        hr = info->Invoke(static_cast<Interface*>(this), id, flags, params, result, exception,
                          argError);
        info->Release();
        return hr;
    }

protected:
    ~DispatchImpl() = default;

private:
    const IID m_iid;
};

}  // namespace velmor_atl
