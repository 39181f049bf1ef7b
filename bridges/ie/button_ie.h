#pragma once
// ButtonIE: holds two values for a vtable client. Its interface is not in the type library,
// so late-bound callers find no names.

#include <windows.h>

#include "com_object.h"
#include "server_interfaces.h"

class ButtonIE : public quillon::IButtonIE, public velmor_atl::ComObjectRoot {
public:
    explicit ButtonIE(IUnknown* outer);
    ~ButtonIE() override;

    VELMOR_COM_UNKNOWN

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    STDMETHODIMP setValues(VARIANT first, VARIANT second) override;
    STDMETHODIMP getFirst(VARIANT* value) override;
    STDMETHODIMP getSecond(VARIANT* value) override;

protected:
    void* findInterface(REFIID iid) override;

private:
    VARIANT m_first;
    VARIANT m_second;
};
