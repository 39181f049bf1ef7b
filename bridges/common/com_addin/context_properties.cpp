#include "context_properties.h"

namespace com_addin {

namespace {

HRESULT property_index(ILanguageExtenderCom* extender, BSTR name, long* index) {
    *index = -1;
    if (FAILED(extender->FindProp(name, index)) || *index == -1) return DISP_E_MEMBERNOTFOUND;
    return S_OK;
}

}  // namespace

HRESULT context_get_property(ILanguageExtenderCom* extender, BSTR name, VARIANT* value) {
    if (extender == nullptr) return E_FAIL;
    long index = -1;
    HRESULT hr = property_index(extender, name, &index);
    if (FAILED(hr)) return hr;
    BOOL readable = FALSE;
    hr = extender->IsPropReadable(index, &readable);
    if (FAILED(hr) || !readable) return hr;
    return extender->GetPropVal(index, value);
}

HRESULT context_set_property(ILanguageExtenderCom* extender, BSTR name, VARIANT* value) {
    if (extender == nullptr) return E_FAIL;
    long index = -1;
    HRESULT hr = property_index(extender, name, &index);
    if (FAILED(hr)) return hr;
    BOOL writable = FALSE;
    hr = extender->IsPropWritable(index, &writable);
    if (FAILED(hr) || !writable) return hr;
    return extender->SetPropVal(index, value);
}

}  // namespace com_addin
