#include "context_call.h"

#include "variant_list.h"

namespace com_addin {

namespace {

// The array a VARIANT holds, directly or by reference; null for anything else. A page's list
// may come with the bare array flag, without VT_VARIANT; its elements are checked when read.
SAFEARRAY** array_slot(VARIANT* v) {
    if ((v->vt & VT_ARRAY) == 0) return nullptr;
    if ((v->vt & VT_BYREF) == 0) return &v->parray;
    return v->pparray;
}

// The caller's count of values: the array's length, 1 when its bounds cannot be read (a null
// array) or when a single value stands in place of an array.
LONG caller_count(VARIANT* params) {
    SAFEARRAY** slot = array_slot(params);
    if (slot == nullptr) return 1;
    LONG upper = 0;
    if (*slot == nullptr || SafeArrayGetDim(*slot) != 1 ||
        FAILED(SafeArrayGetUBound(*slot, 1, &upper))) {
        return 1;
    }
    return upper + 1;
}

// Element i of the caller's values; false when there is none to take.
bool caller_value(VARIANT* params, LONG i, VARIANT* value) {
    SAFEARRAY** slot = array_slot(params);
    if (slot == nullptr) return i == 0 && SUCCEEDED(VariantCopy(value, params));
    return *slot != nullptr && is_variant_list(*slot) &&
           SUCCEEDED(SafeArrayGetElement(*slot, &i, value));
}

// Element i of what the add-in left, VT_EMPTY where it left nothing.
void returned_value(SAFEARRAY* args, LONG i, VARIANT* value) {
    if (!is_variant_list(args)) return;
    LONG upper = -1;
    if (FAILED(SafeArrayGetUBound(args, 1, &upper)) || i > upper) return;
    if (FAILED(SafeArrayGetElement(args, &i, value))) VariantInit(value);
}

HRESULT fill_arguments(ILanguageExtenderCom* extender, long index, VARIANT* params, LONG n,
                       LONG c, SAFEARRAY* args) {
    const bool fromCaller = params != nullptr && params->vt != VT_EMPTY;
    for (LONG i = 0; i < n; ++i) {
        if (params == nullptr) break;  // the n parameters stay VT_EMPTY
        VARIANT value = {};
        VariantInit(&value);
        if (!(fromCaller && i < c && caller_value(params, i, &value))) {
            VariantClear(&value);
            extender->GetParamDefValue(index, i, &value);
        }
        const HRESULT stored = SafeArrayPutElement(args, &i, &value);
        VariantClear(&value);
        if (FAILED(stored)) return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

// Replaces the caller's values by a new array of c elements as the add-in left them.
HRESULT hand_back(VARIANT* params, LONG c, SAFEARRAY* args) {
    SAFEARRAY* back = create_variant_list(c);
    if (back == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = S_OK;
    for (LONG i = 0; i < c; ++i) {
        VARIANT value = {};
        VariantInit(&value);
        returned_value(args, i, &value);
        hr = SafeArrayPutElement(back, &i, &value);
        VariantClear(&value);
    }
    SAFEARRAY** slot = array_slot(params);
    if (slot != nullptr) {
        if (*slot != nullptr) SafeArrayDestroy(*slot);
        *slot = back;
    } else {
        VariantClear(params);
        params->vt = VT_ARRAY | VT_VARIANT;
        params->parray = back;
    }
    return hr;
}

}  // namespace

HRESULT context_call(ILanguageExtenderCom* extender, BSTR name, VARIANT* params,
                     VARIANT* result) {
    if (extender == nullptr) return E_FAIL;
    long index = -1;
    if (FAILED(extender->FindMethod(name, &index)) || index == -1) return DISP_E_MEMBERNOTFOUND;
    long n = 0;
    if (FAILED(extender->GetNParams(index, &n)) || n < 0) n = 0;
    const bool handsBack = params != nullptr && params->vt != VT_EMPTY;
    const LONG c = handsBack ? caller_count(params) : 0;

    SAFEARRAY* args = nullptr;
    if (n > 0) {
        // A count beyond what an array can hold fails the call before anything is written.
        args = create_variant_list(n);
        if (args == nullptr) return E_OUTOFMEMORY;
        if (FAILED(fill_arguments(extender, index, params, n, c, args))) {
            SafeArrayDestroy(args);
            return DISP_E_TYPEMISMATCH;
        }
    }
    BOOL hasRetVal = FALSE;
    if (FAILED(extender->HasRetVal(index, &hasRetVal))) hasRetVal = FALSE;
    VARIANT returned = {};
    VariantInit(&returned);
    HRESULT hr = hasRetVal ? extender->CallAsFunc(index, &returned, &args)
                           : extender->CallAsProc(index, &args);
    if (SUCCEEDED(hr)) {
        if (result != nullptr) {
            VariantInit(result);
            VariantCopy(result, &returned);
        }
        if (handsBack) {
            const HRESULT back = hand_back(params, c, args);
            if (c > 0) hr = back;
        }
    }
    VariantClear(&returned);
    if (args != nullptr) SafeArrayDestroy(args);
    return hr;
}

}  // namespace com_addin
