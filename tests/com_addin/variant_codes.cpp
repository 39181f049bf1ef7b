#include "variant_codes.h"

namespace com_test {

VARIANT variant_of(const std::wstring& code) {
    VARIANT v = {};
    VariantInit(&v);
    const std::wstring body = code.size() > 2 ? code.substr(2) : L"";
    switch (code.empty() ? L'e' : code[0]) {
        case L'i':
            v.vt = VT_I4;
            v.lVal = std::stol(body);
            break;
        case L'h':
            v.vt = VT_I2;
            v.iVal = static_cast<SHORT>(std::stoi(body));
            break;
        case L's':
            v.vt = VT_BSTR;
            v.bstrVal = SysAllocString(body.c_str());
            break;
        case L'b':
            v.vt = VT_BOOL;
            v.boolVal = body == L"1" ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        default:
            break;
    }
    return v;
}

std::wstring code_of(const VARIANT& value) {
    switch (value.vt) {
        case VT_EMPTY:
            return L"e";
        case VT_I4:
            return L"i:" + std::to_wstring(value.lVal);
        case VT_I2:
            return L"h:" + std::to_wstring(value.iVal);
        case VT_BSTR:
            return L"s:" + std::wstring(value.bstrVal != nullptr ? value.bstrVal : L"");
        case VT_BOOL:
            return value.boolVal ? L"b:1" : L"b:0";
        default:
            return L"?" + std::to_wstring(value.vt);
    }
}

VARIANT array_of(const std::vector<std::wstring>& codes) {
    VARIANT v = {};
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(codes.size()));
    for (LONG i = 0; i < static_cast<LONG>(codes.size()); ++i) {
        VariantScope element(variant_of(codes[static_cast<size_t>(i)]));
        SafeArrayPutElement(v.parray, &i, element.get());
    }
    return v;
}

std::vector<std::wstring> codes_of_array(const VARIANT& value) {
    const SAFEARRAY* array = nullptr;
    if (value.vt == (VT_ARRAY | VT_VARIANT)) array = value.parray;
    if (value.vt == (VT_ARRAY | VT_VARIANT | VT_BYREF) && value.pparray != nullptr) {
        array = *value.pparray;
    }
    if (array == nullptr) return {L"not an array"};
    SAFEARRAY* list = const_cast<SAFEARRAY*>(array);
    LONG upper = -1;
    SafeArrayGetUBound(list, 1, &upper);
    std::vector<std::wstring> codes;
    for (LONG i = 0; i <= upper; ++i) {
        VARIANT element = {};
        VariantInit(&element);
        SafeArrayGetElement(list, &i, &element);
        codes.push_back(code_of(element));
        VariantClear(&element);
    }
    return codes;
}

}  // namespace com_test
