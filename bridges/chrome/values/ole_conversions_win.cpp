// Conversions between OLE Automation VARIANTs and the host's JSON values, for COM add-ins.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "text_conversion.h"
#include "utils.h"
#include "value_depth.h"

namespace {

bool variant_to_json(const VARIANT& value, CNPVariant& out, int depth) {
    switch (value.vt) {
        case VT_BSTR: {
            std::string text;
            const UINT units = value.bstrVal != nullptr ? ::SysStringLen(value.bstrVal) : 0;
            Utils::wideToUTF8(reinterpret_cast<const UnicodeChar*>(value.bstrVal),
                              static_cast<int>(units), text, false);
            out = CNPVariant(JsValue(text));
            return true;
        }
        case VT_BOOL:
            out = CNPVariant(value.boolVal != 0);
            return true;
        case VT_BYREF | VT_VARIANT:
            // A chain of references that refers back to itself must not recurse without end.
            if (value.pvarVal == nullptr || depth >= kMaxValueDepth) return false;
            return variant_to_json(*value.pvarVal, out, depth + 1);
        default:
            return Utils::VariantToNPVariantShared(value, out);
    }
}

// The number of elements along the first dimension; 0 for no array.
LONG element_count(SAFEARRAY* array) {
    if (array == nullptr || ::SafeArrayGetDim(array) < 1) return 0;
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper))) {
        return 0;
    }
    return upper >= lower ? upper - lower + 1 : 0;
}

}  // namespace

bool Utils::VariantToNPVariant(const VARIANT& value, CNPVariant& out) {
    return variant_to_json(value, out, 0);
}

// The kinds of the VARIANT that carry plain numbers. Each is read from its own member: a
// VT_I1 is one signed byte, a VT_UI4 unsigned, a VT_I8 all 64 bits.
bool Utils::VariantToNPVariantShared(const VARIANT& value, CNPVariant& out) {
    switch (value.vt) {
        case VT_EMPTY:
        case VT_NULL: out = CNPVariant(); return true;
        case VT_I4: out = CNPVariant(JsValue(Json::Int(value.lVal))); return true;
        case VT_R4: out = CNPVariant(static_cast<double>(value.fltVal)); return true;
        case VT_R8: out = CNPVariant(value.dblVal); return true;
        case VT_I1: out = CNPVariant(JsValue(Json::Int(value.cVal))); return true;
        case VT_UI4: out = CNPVariant(JsValue(Json::UInt(value.ulVal))); return true;
        case VT_I8: out = CNPVariant(JsValue(Json::Int64(value.llVal))); return true;
        default: return false;
    }
}

bool Utils::NPVariantToVariant(const CNPVariant& value, VARIANT& out) {
    if (js_kind(value) != eJsString) return NPVariantToVariantShared(value, out);
    const char* begin = nullptr;
    const char* end = nullptr;
    value.getString(&begin, &end);
    UnicodeString wide;
    utf8_to_utf16_text(begin, static_cast<size_t>(end - begin), wide);
    if (wide.size() > UINT32_MAX / sizeof(UnicodeChar)) throw std::bad_alloc();
    BSTR text = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()),
                                    static_cast<UINT>(wide.size()));
    if (text == nullptr) throw std::bad_alloc();
    ::VariantClear(&out);
    out.vt = VT_BSTR;
    out.bstrVal = text;
    return true;
}

bool Utils::NPVariantToVariantShared(const CNPVariant& value, VARIANT& out) {
    switch (js_kind(value)) {
        case eJsNull:
            ::VariantClear(&out);
            out.vt = VT_NULL;
            return true;
        case eJsInt:
            ::VariantClear(&out);
            out.vt = VT_I4;
            out.lVal = value.asInt();
            return true;
        case eJsReal:
            ::VariantClear(&out);
            out.vt = VT_R8;
            out.dblVal = js_number(value);
            return true;
        case eJsBool:
            ::VariantClear(&out);
            out.vt = VT_BOOL;
            out.boolVal = value.asBool() ? 1 : 0;
            return true;
        default:
            return false;
    }
}

// An object's members count as its elements, in the order of their names.
void Utils::jsArrayToSafeArray(const CNPVariant& array, SAFEARRAY* target) {
    const LONG slots = element_count(target);
    const bool hasElements = array.isArray() || array.isObject();
    const Json::ArrayIndex n = hasElements ? array.size() : 0;
    std::vector<std::string> members;
    if (array.isObject()) members = array.getMemberNames();
    for (LONG i = 0; i < slots && static_cast<Json::ArrayIndex>(i) < n; ++i) {
        const JsValue& element = array.isObject() ? array[members[static_cast<size_t>(i)]]
                                                  : array[static_cast<Json::ArrayIndex>(i)];
        VARIANT converted;
        ::VariantInit(&converted);
        if (!NPVariantToVariant(CNPVariant(element), converted)) converted.vt = VT_EMPTY;
        LONG index = i;
        ::SafeArrayPutElement(target, &index, &converted);
        ::VariantClear(&converted);
    }
}

void Utils::SafeArrayTojsArray(SAFEARRAY* source, CNPVariant& array) {
    const LONG count = element_count(source);
    for (LONG i = 0; i < count; ++i) {
        VARIANT element;
        ::VariantInit(&element);
        LONG index = i;
        if (FAILED(::SafeArrayGetElement(source, &index, &element))) element.vt = VT_EMPTY;
        CNPVariant value;
        if (!VariantToNPVariant(element, value)) value = CNPVariant();
        array.append(value);
        ::VariantClear(&element);
    }
}

UnicodeString makeProgId(const UnicodeString& className) {
    static const UnicodeChar kPrefix[] = {'A', 'd', 'd', 'I', 'n', '.', 0};
    return UnicodeString(kPrefix) + className;
}
