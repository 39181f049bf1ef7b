#include "ole_variants.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "addin_exception.h"
#include "automation_date.h"
#include "json_tvariant.h"
#include "json_text.h"
#include "nsCOMPtr.h"
#include "nsXPCOM.h"
#include "utf16_text.h"
#include "value_depth.h"
#include "variant_tvariant.h"

namespace {

const char kNameType[] = "type";
const char kNameValue[] = "value";

// `depth` counts the values (variants, arrays, typed JSON objects) that hold the one being
// converted: a value may hold itself, so past kMaxValueDepth nothing is followed.
HRESULT page_value_to_variant(nsIVariant* value, VARIANT* out, int* count, int depth);
HRESULT json_value_to_variant(const JsValue& value, VARIANT* out, int* count, int depth);
void clear_ole_value(VARIANT* value, int depth);

void set_count(int* count, int n) {
    if (count != nullptr) *count = n;
}

// A safe array of `size` VT_EMPTY elements, or null when it cannot be made.
SAFEARRAY* new_variant_array(size_t size) {
    return ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(size));
}

// Moves `element` into the array at `index` (left VT_EMPTY by new_variant_array) and leaves the
// local one VT_EMPTY. A move, not SafeArrayPutElement's copy: the platform copies no VARIANT of
// the VT_ARRAY-alone form, so an array inside an array would be lost.
void put_element(SAFEARRAY* array, LONG index, VARIANT& element) {
    VARIANT* slot = nullptr;
    if (SUCCEEDED(::SafeArrayPtrOfIndex(array, &index, reinterpret_cast<void**>(&slot)))) {
        *slot = element;
        ::VariantInit(&element);
    } else {
        ole_value_clear(&element);
    }
}

void destroy_array(SAFEARRAY* array) {
    VARIANT holder;
    holder.vt = VT_ARRAY;
    holder.parray = array;
    ole_value_clear(&holder);
}

void hold_array(VARIANT* out, SAFEARRAY* array) {
    out->vt = VT_ARRAY;
    out->parray = array;
}

BSTR bstr_of(const char16_t* text, size_t len) {
    return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text), static_cast<UINT>(len));
}

void set_bstr(VARIANT* out, const char16_t* text, size_t len) {
    out->vt = VT_BSTR;
    out->bstrVal = bstr_of(text, len);
}

// Each byte widened to one UTF-16 unit, as a text that is no JSON array reaches the add-in.
void set_widened_bstr(VARIANT* out, const char* text) {
    const size_t len = std::strlen(text);
    std::u16string wide(len, u'\0');
    for (size_t i = 0; i < len; ++i) wide[i] = static_cast<unsigned char>(text[i]);
    set_bstr(out, wide.data(), wide.size());
}

// A zero-terminated text in the calling thread's ANSI code page; a null text gives a null BSTR.
BSTR bstr_from_thread_ansi(const char* text) {
    if (text == nullptr) return nullptr;
    const int units = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (units <= 0) return ::SysAllocString(L"");
    BSTR result = ::SysAllocStringLen(nullptr, static_cast<UINT>(units - 1));
    if (result != nullptr) ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, result, units);
    return result;
}

void set_bool(VARIANT* out, bool value) {
    out->vt = VT_BOOL;
    out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

// The automation date of a JSON date value, read as the value conversions read dates.
double automation_date(const JsValue& value) {
    double date = 0;
    // Fields that make no calendar date give 0 (30 December 1899).
    if (!automation_date_of(json_date_fields(value), &date)) date = 0;
    return date;
}

HRESULT json_array_to_variant(const JsValue& value, VARIANT* out, int* count, int depth) {
    const size_t n = value.size();
    const size_t wanted = count != nullptr && *count > 0 ? static_cast<size_t>(*count) : 0;
    SAFEARRAY* array = new_variant_array(std::max(n, wanted));
    if (array == nullptr) return E_OUTOFMEMORY;
    set_count(count, static_cast<int>(n));
    try {
        for (Json::ArrayIndex i = 0; i < n; ++i) {
            VARIANT element;
            ::VariantInit(&element);
            // A refused kind stays VT_EMPTY.
            json_value_to_variant(value[i], &element, nullptr, depth + 1);
            put_element(array, static_cast<LONG>(i), element);
        }
    } catch (...) {
        destroy_array(array);
        throw;
    }
    hold_array(out, array);
    return S_OK;
}

HRESULT typed_json_to_variant(const JsValue& value, VARIANT* out, int* count, int depth) {
    if (!value.isMember(kNameType) || !value[kNameType].isString() ||
        !value.isMember(kNameValue)) {
        throw conversion_error();
    }
    const std::string type = value[kNameType].asString();
    if (type == "date") {
        out->date = automation_date(value[kNameValue]);
        out->vt = VT_DATE;
        set_count(count, 1);
        return S_OK;
    }
    if (type == "null") {
        ole_value_clear(out);
        out->vt = VT_NULL;
        set_count(count, 1);
        return S_OK;
    }
    if (type == "empty" || type == "undefined" || type == "void") {
        ole_value_clear(out);
        set_count(count, 1);
        return S_OK;
    }
    return json_value_to_variant(value[kNameValue], out, count, depth + 1);
}

// The page's text (as UTF-8) tried as a JSON array; false when it is none.
bool try_json_array(const std::string& utf8, VARIANT* out, int* count) {
    try {
        jsvararray_to_variant(utf8.c_str(), out, count);
        return true;
    } catch (const conversion_error&) {
        return false;
    }
}

HRESULT narrow_text_to_variant(nsIVariant* value, VARIANT* out, int* count) {
    char* text = nullptr;
    if (NS_FAILED(value->GetAsString(&text)) || text == nullptr) return E_INVALIDARG;
    if (!try_json_array(text, out, count)) {
        set_widened_bstr(out, text);
        set_count(count, 1);
    }
    NS_Free(text);
    return S_OK;
}

HRESULT wide_text_to_variant(nsIVariant* value, VARIANT* out, int* count) {
    char16_t* text = nullptr;
    if (NS_FAILED(value->GetAsWString(&text)) || text == nullptr) return E_INVALIDARG;
    if (!try_json_array(utf8_of(text), out, count)) {
        set_bstr(out, text, std::char_traits<char16_t>::length(text));
        set_count(count, 1);
    }
    NS_Free(text);
    return S_OK;
}

HRESULT interface_to_variant(nsIVariant* value, VARIANT* out, int* count, int depth) {
    nsCOMPtr<nsISupports> object;
    if (NS_FAILED(value->GetAsISupports(getter_AddRefs(object))) || !object) return S_OK;
    nsCOMPtr<nsIVariant> inner = do_QueryInterface(object);
    if (!inner) return S_OK;  // out stays as it was
    return page_value_to_variant(inner, out, count, depth + 1);
}

// One element of an XPCOM array into `element`; a failure of a nested variant ends the
// conversion with its result.
HRESULT array_element_to_variant(uint16_t type, const nsIID& iid, void* elements, uint32_t i,
                                 VARIANT& element, int depth) {
    switch (type) {
        case nsIDataType::VTYPE_INT32:
            element.vt = VT_I4;
            element.lVal = static_cast<int32_t*>(elements)[i];
            return S_OK;
        case nsIDataType::VTYPE_DOUBLE:
            element.vt = VT_R8;
            element.dblVal = static_cast<double*>(elements)[i];
            return S_OK;
        case nsIDataType::VTYPE_CHAR_STR:
        case nsIDataType::VTYPE_STRING_SIZE_IS:
            element.vt = VT_BSTR;
            element.bstrVal = bstr_from_thread_ansi(static_cast<char**>(elements)[i]);
            return S_OK;
        case nsIDataType::VTYPE_WCHAR_STR:
        case nsIDataType::VTYPE_WSTRING_SIZE_IS: {
            const char16_t* text = static_cast<char16_t**>(elements)[i];
            element.vt = VT_BSTR;
            element.bstrVal =
                text != nullptr ? bstr_of(text, std::char_traits<char16_t>::length(text)) : nullptr;
            return S_OK;
        }
        case nsIDataType::VTYPE_INTERFACE_IS: {
            nsISupports* object = static_cast<nsISupports**>(elements)[i];
            if (iid.Equals(NS_GET_IID(nsIVariant))) {
                return page_value_to_variant(static_cast<nsIVariant*>(object), &element, nullptr,
                                             depth + 1);
            }
            nsCOMPtr<nsIVariant> inner = do_QueryInterface(object);
            // A failure is ignored.
            if (inner) page_value_to_variant(inner, &element, nullptr, depth + 1);
            return S_OK;
        }
        default:
            return E_INVALIDARG;
    }
}

HRESULT array_to_variant(nsIVariant* value, VARIANT* out, int* count, int depth) {
    uint16_t type = 0;
    nsIID iid;
    std::memset(&iid, 0, sizeof iid);
    uint32_t n = 0;
    void* elements = nullptr;
    if (NS_FAILED(value->GetAsArray(&type, &iid, &n, &elements))) {
        ole_value_clear(out);
        return S_OK;
    }
    const size_t wanted = count != nullptr && *count > 0 ? static_cast<size_t>(*count) : 0;
    SAFEARRAY* array = new_variant_array(std::max<size_t>(n, wanted));
    if (array == nullptr) {
        release_array_elements(type, elements, n);
        return E_OUTOFMEMORY;
    }
    HRESULT result = S_OK;
    for (uint32_t i = 0; i < n && SUCCEEDED(result); ++i) {
        VARIANT element;
        ::VariantInit(&element);
        result = array_element_to_variant(type, iid, elements, i, element, depth);
        if (SUCCEEDED(result)) {
            put_element(array, static_cast<LONG>(i), element);
        } else {
            ole_value_clear(&element);
        }
    }
    release_array_elements(type, elements, n);
    if (FAILED(result)) {  // out untouched
        destroy_array(array);
        return result;
    }
    set_count(count, static_cast<int>(n));
    hold_array(out, array);
    return S_OK;
}

}  // namespace

HRESULT variant_to_nsvariant(const VARIANT* value, nsISupports* target) {
    if (value == nullptr || target == nullptr) return E_INVALIDARG;
    nsCOMPtr<nsIWritableVariant> writable = do_QueryInterface(target);
    if (!writable) return E_INVALIDARG;
    switch (value->vt) {
        case VT_EMPTY: writable->SetAsEmpty(); break;
        case VT_I1: writable->SetAsInt8(static_cast<uint8_t>(value->cVal)); break;
        case VT_I2: writable->SetAsInt16(value->iVal); break;
        case VT_I4: writable->SetAsInt32(value->lVal); break;
        case VT_UI1: writable->SetAsUint8(value->bVal); break;
        case VT_UI2: writable->SetAsUint16(value->uiVal); break;
        case VT_UI4: writable->SetAsUint32(value->ulVal); break;
        case VT_R4: writable->SetAsFloat(value->fltVal); break;
        case VT_R8: writable->SetAsDouble(value->dblVal); break;
        case VT_BSTR: {
            // The text up to its first zero (a null BSTR is an empty text).
            const char16_t* text = reinterpret_cast<const char16_t*>(value->bstrVal);
            writable->SetAsWString(text != nullptr ? text : u"");
            break;
        }
        case VT_BOOL: writable->SetAsBool(value->boolVal == VARIANT_TRUE); break;
        default: return E_INVALIDARG;
    }
    return S_OK;
}

namespace {

HRESULT page_value_to_variant(nsIVariant* value, VARIANT* out, int* count, int depth) {
    if (value == nullptr || out == nullptr || depth > kMaxValueDepth) return E_INVALIDARG;
    uint16_t type = 0;
    if (NS_FAILED(value->GetDataType(&type))) return E_INVALIDARG;
    VARIANT result;
    ::VariantInit(&result);
    switch (type) {
        case nsIDataType::VTYPE_INT8: {
            uint8_t v = 0;
            value->GetAsInt8(&v);
            result.vt = VT_I1;
            result.cVal = static_cast<char>(v);
            break;
        }
        case nsIDataType::VTYPE_INT16:
            result.vt = VT_I2;
            value->GetAsInt16(&result.iVal);
            break;
        case nsIDataType::VTYPE_INT32: {
            int32_t v = 0;
            value->GetAsInt32(&v);
            result.vt = VT_I4;
            result.lVal = v;
            break;
        }
        case nsIDataType::VTYPE_UINT8:
        case nsIDataType::VTYPE_CHAR: {
            char c = 0;
            uint8_t v = 0;
            if (type == nsIDataType::VTYPE_CHAR) {
                value->GetAsChar(&c);
                v = static_cast<uint8_t>(c);
            } else {
                value->GetAsUint8(&v);
            }
            result.vt = VT_UI1;
            result.bVal = v;
            break;
        }
        case nsIDataType::VTYPE_UINT16:
        case nsIDataType::VTYPE_WCHAR: {
            uint16_t v = 0;
            char16_t w = 0;
            if (type == nsIDataType::VTYPE_WCHAR) {
                value->GetAsWChar(&w);
                v = static_cast<uint16_t>(w);
            } else {
                value->GetAsUint16(&v);
            }
            result.vt = VT_I2;  // the same 16 bits
            result.iVal = static_cast<SHORT>(v);
            break;
        }
        case nsIDataType::VTYPE_UINT32: {
            uint32_t v = 0;
            value->GetAsUint32(&v);
            result.vt = VT_I4;  // the same 32 bits
            result.lVal = static_cast<LONG>(v);
            break;
        }
        case nsIDataType::VTYPE_FLOAT:
            result.vt = VT_R4;
            value->GetAsFloat(&result.fltVal);
            break;
        case nsIDataType::VTYPE_DOUBLE:
            result.vt = VT_R8;
            value->GetAsDouble(&result.dblVal);
            break;
        case nsIDataType::VTYPE_BOOL: {
            bool v = false;
            value->GetAsBool(&v);
            set_bool(&result, v);
            break;
        }
        case nsIDataType::VTYPE_EMPTY:
            ole_value_clear(out);
            set_count(count, 1);
            return S_OK;
        case nsIDataType::VTYPE_CHAR_STR:
        case nsIDataType::VTYPE_STRING_SIZE_IS:
            return narrow_text_to_variant(value, out, count);
        case nsIDataType::VTYPE_WCHAR_STR:
        case nsIDataType::VTYPE_WSTRING_SIZE_IS:
            return wide_text_to_variant(value, out, count);
        case nsIDataType::VTYPE_INTERFACE:
        case nsIDataType::VTYPE_INTERFACE_IS:
            return interface_to_variant(value, out, count, depth);
        case nsIDataType::VTYPE_ARRAY:
        case nsIDataType::VTYPE_EMPTY_ARRAY:
            return array_to_variant(value, out, count, depth);
        default:
            return E_INVALIDARG;
    }
    *out = result;  // a number: nothing to release
    set_count(count, 1);
    return S_OK;
}

HRESULT json_value_to_variant(const JsValue& value, VARIANT* out, int* count, int depth) {
    if (out == nullptr) return E_INVALIDARG;
    if (depth > kMaxValueDepth) throw conversion_error();  // the text arrives as it is
    switch (js_kind(value)) {
        case eJsNull:
            ole_value_clear(out);
            break;
        case eJsBool:
            set_bool(out, value.asBool());
            break;
        case eJsInt:
            out->vt = VT_I4;
            out->lVal = value.asInt();
            break;
        case eJsUInt:
            out->vt = VT_I4;  // the same 32 bits
            out->lVal = static_cast<LONG>(value.asUInt());
            break;
        case eJsReal:
            out->vt = VT_R8;
            out->dblVal = value.asDouble();
            break;
        case eJsString: {
            const wcstring text = utf16_of(value.asString());
            set_bstr(out, text.data(), text.size());
            break;
        }
        case eJsArray:
            return json_array_to_variant(value, out, count, depth);
        case eJsObject:
            return typed_json_to_variant(value, out, count, depth);
    }
    set_count(count, 1);
    return S_OK;
}

void clear_ole_value(VARIANT* value, int depth) {
    if (value == nullptr) return;
    if (value->vt == VT_ARRAY) {
        // The platform's clearing refuses elements of this form too: they go first.
        SAFEARRAY* array = value->parray;
        VARIANT* elements = nullptr;
        if (array != nullptr && (array->fFeatures & FADF_VARIANT) != 0 && depth < kMaxValueDepth &&
            SUCCEEDED(::SafeArrayAccessData(array, reinterpret_cast<void**>(&elements)))) {
            for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i) {
                clear_ole_value(&elements[i], depth + 1);
            }
            ::SafeArrayUnaccessData(array);
        }
        if (array != nullptr) ::SafeArrayDestroy(array);
    } else {
        ::VariantClear(value);
    }
    ::VariantInit(value);
}

}  // namespace

HRESULT nsvariant_to_variant(nsIVariant* value, VARIANT* out, int* count) {
    return page_value_to_variant(value, out, count, 0);
}

int jsvararray_to_variant(const char* text, VARIANT* out, int* count) {
    JsValue root;
    if (text == nullptr || !json_read_strict(text, std::strlen(text), root) || root.empty() ||
        !root.isArray()) {
        throw conversion_error();
    }
    int n = count != nullptr ? *count : 0;
    json_to_variant(root, out, &n);
    if (count != nullptr) *count = n;
    return n;
}

HRESULT json_to_variant(const JsValue& value, VARIANT* out, int* count) {
    return json_value_to_variant(value, out, count, 0);
}

void ole_value_clear(VARIANT* value) { clear_ole_value(value, 0); }
