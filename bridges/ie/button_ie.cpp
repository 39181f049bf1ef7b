#include "button_ie.h"

namespace {

// A failed copy leaves the member holding the failure code.
HRESULT copy_into(VARIANT* member, VARIANT* value) {
    const HRESULT hr = VariantCopy(member, value);
    if (FAILED(hr)) {
        VariantClear(member);
        member->vt = VT_ERROR;
        member->scode = hr;
    }
    return hr;
}

HRESULT copy_out(VARIANT* member, VARIANT* value) {
    if (value == nullptr) return E_POINTER;
    VariantInit(value);
    return VariantCopy(value, member);
}

}  // namespace

ButtonIE::ButtonIE(IUnknown* outer) : velmor_atl::ComObjectRoot(outer) {
    VariantInit(&m_first);
    VariantInit(&m_second);
}

ButtonIE::~ButtonIE() {
    VariantClear(&m_first);
    VariantClear(&m_second);
}

void* ButtonIE::findInterface(REFIID iid) {
    if (IsEqualIID(iid, quillon::IID_IButtonIE) || IsEqualIID(iid, IID_IDispatch)) {
        return static_cast<quillon::IButtonIE*>(this);
    }
    return nullptr;
}

HRESULT ButtonIE::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ButtonIE::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT ButtonIE::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids != nullptr && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT ButtonIE::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT ButtonIE::setValues(VARIANT first, VARIANT second) {
    const HRESULT firstResult = copy_into(&m_first, &first);
    const HRESULT secondResult = copy_into(&m_second, &second);
    return FAILED(firstResult) ? firstResult : secondResult;
}

HRESULT ButtonIE::getFirst(VARIANT* value) { return copy_out(&m_first, value); }

HRESULT ButtonIE::getSecond(VARIANT* value) { return copy_out(&m_second, value); }
