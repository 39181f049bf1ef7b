#include "script_array.h"

#include <dispex.h>

#include <cwchar>

namespace {

IDispatchEx* dispatch_ex(IDispatch* array) {
    IDispatchEx* ex = nullptr;
    if (FAILED(array->QueryInterface(IID_IDispatchEx, reinterpret_cast<void**>(&ex)))) return nullptr;
    return ex;
}

// Formatted in place: the page's calls must not throw on the way.
BSTR index_name(long index) {
    wchar_t text[24] = {};
    swprintf(text, sizeof text / sizeof text[0], L"%ld", index);
    return SysAllocString(text);
}

bool read_element(IDispatchEx* ex, long index, VARIANT* value) {
    BSTR name = index_name(index);
    if (name == nullptr) return false;
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = ex->GetDispID(name, fdexNameCaseInsensitive, &id);
    SysFreeString(name);
    if (FAILED(hr)) return false;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    hr = ex->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr,
                      nullptr);
    return SUCCEEDED(hr);
}

void write_element(IDispatchEx* ex, long index, VARIANT* value) {
    BSTR name = index_name(index);
    if (name == nullptr) return;
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = ex->GetDispID(name, fdexNameEnsure, &id);
    SysFreeString(name);
    if (FAILED(hr)) return;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{value, &put, 1, 1};
    ex->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUTREF, &params, nullptr, nullptr,
                 nullptr);
}

}  // namespace

long script_array_length(IDispatch* array) {
    LPOLESTR name = const_cast<LPOLESTR>(L"length");
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(array->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return 0;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT length;
    VariantInit(&length);
    long count = 0;
    if (SUCCEEDED(array->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                &length, nullptr, nullptr)) &&
        SUCCEEDED(VariantChangeType(&length, &length, 0, VT_I4)) && length.lVal > 0) {
        count = length.lVal;
    }
    VariantClear(&length);
    return count;
}

SAFEARRAY* read_script_array(IDispatch* array, long count) {
    IDispatchEx* ex = dispatch_ex(array);
    if (ex == nullptr) return nullptr;
    SAFEARRAY* values = nullptr;
    long stored = 0;
    for (long i = 0; i < count; ++i) {
        VARIANT element;
        VariantInit(&element);
        if (!read_element(ex, i, &element)) continue;
        if (values == nullptr) {
            SAFEARRAYBOUND bound{static_cast<ULONG>(count), 0};
            values = SafeArrayCreate(VT_VARIANT, 1, &bound);
        }
        if (values != nullptr) SafeArrayPutElement(values, &stored, &element);  // a copy
        ++stored;
        VariantClear(&element);
    }
    ex->Release();
    // The array holds exactly the elements read, so later ones move down over the holes.
    if (values != nullptr && stored < count) {
        SAFEARRAYBOUND bound{static_cast<ULONG>(stored), 0};
        SafeArrayRedim(values, &bound);
    }
    return values;
}

void write_script_array(IDispatch* array, SAFEARRAY* values) {
    if (values == nullptr || SafeArrayGetDim(values) != 1) return;
    const long length = script_array_length(array);
    IDispatchEx* ex = dispatch_ex(array);
    if (ex == nullptr) return;
    long lower = 0, upper = -1;
    SafeArrayGetLBound(values, 1, &lower);
    SafeArrayGetUBound(values, 1, &upper);
    for (long i = 0; i < length && lower + i <= upper; ++i) {
        VARIANT copy;
        VariantInit(&copy);
        long index = lower + i;
        if (SUCCEEDED(SafeArrayGetElement(values, &index, &copy))) write_element(ex, i, &copy);
        VariantClear(&copy);
    }
    ex->Release();
}
