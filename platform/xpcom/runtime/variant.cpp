// The platform's variant class.

#include "variant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "nsXPCOM.h"
#include "utf_codec.h"
#include "variant_array.h"

namespace xpcom_runtime {

namespace {

typedef nsIDataType T;

bool valid_integer_text(const std::string& text, double& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    return end && *end == '\0' && errno != ERANGE;
}

std::string format_real(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    if (std::strtod(buffer, nullptr) != value) std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

std::u16string utf8_to_utf16(const std::string& text) {
    Utf16String units;
    utf8_to_utf16_append(text.data(), text.size(), units);
    return std::u16string(units.begin(), units.end());
}

std::string utf16_to_utf8(const std::u16string& text) {
    std::string result;
    utf16_to_utf8_append(reinterpret_cast<const uint16_t*>(text.data()), text.size(), result);
    return result;
}

template <class Unit>
Unit* new_text(const Unit* data, size_t length) {
    Unit* block = static_cast<Unit*>(NS_Alloc((length + 1) * sizeof(Unit)));
    if (!block) return nullptr;
    if (length) std::memcpy(block, data, length * sizeof(Unit));
    block[length] = 0;
    return block;
}

template <class Unit>
size_t text_length(const Unit* text) {
    size_t n = 0;
    while (text[n]) ++n;
    return n;
}

}  // namespace

NS_IMPL_ADDREF(Variant)
NS_IMPL_RELEASE(Variant)
NS_INTERFACE_MAP_BEGIN(Variant)
    NS_INTERFACE_MAP_ENTRY(nsIWritableVariant)
    NS_INTERFACE_MAP_ENTRY(nsIVariant)
    NS_INTERFACE_MAP_ENTRY(nsISupports)
NS_INTERFACE_MAP_END

Variant::~Variant() { clear(); }

void Variant::clear() {
    free_array(m_element_type, m_count, m_elements);
    m_elements = nullptr;
    m_count = 0;
    m_interface = nullptr;
    m_narrow.clear();
    m_wide.clear();
    m_type = T::VTYPE_EMPTY;
}

nsresult Variant::begin_set() {
    if (!m_writable) return NS_ERROR_OBJECT_IS_IMMUTABLE;
    clear();
    return NS_OK;
}

bool Variant::is_narrow_text() const {
    switch (m_type) {
    case T::VTYPE_CHAR_STR:
    case T::VTYPE_STRING_SIZE_IS:
    case T::VTYPE_UTF8STRING:
    case T::VTYPE_CSTRING:
        return true;
    default:
        return false;
    }
}

bool Variant::is_text() const {
    switch (m_type) {
    case T::VTYPE_WCHAR_STR:
    case T::VTYPE_WSTRING_SIZE_IS:
    case T::VTYPE_ASTRING:
    case T::VTYPE_DOMSTRING:
        return true;
    default:
        return is_narrow_text();
    }
}

// ---- numbers ----

nsresult Variant::read_number(Number& number) const {
    switch (m_type) {
    case T::VTYPE_INT8: case T::VTYPE_INT16: case T::VTYPE_INT32: case T::VTYPE_INT64:
    case T::VTYPE_UINT8: case T::VTYPE_UINT16: case T::VTYPE_UINT32: case T::VTYPE_UINT64:
    case T::VTYPE_FLOAT: case T::VTYPE_DOUBLE: case T::VTYPE_BOOL: case T::VTYPE_CHAR:
    case T::VTYPE_WCHAR:
        number = m_number;
        return NS_OK;
    default:
        break;
    }
    if (!is_text()) return NS_ERROR_CANNOT_CONVERT_DATA;
    std::string text;
    read_utf8(text);
    double value = 0;
    if (!valid_integer_text(text, value)) return NS_ERROR_CANNOT_CONVERT_DATA;
    number = Number{Number::eReal, 0, 0, value};
    return NS_OK;
}

template <class Out>
nsresult Variant::get_integer(Out* result) const {
    if (!result) return NS_ERROR_NULL_POINTER;
    Number n;
    nsresult rv = read_number(n);
    if (NS_FAILED(rv)) return rv;
    typedef std::numeric_limits<Out> L;
    switch (n.kind) {
    case Number::eSigned:
        if ((L::is_signed && n.s < int64_t(L::min())) || (!L::is_signed && n.s < 0) ||
            (n.s > 0 && uint64_t(n.s) > uint64_t(L::max()))) {
            return NS_ERROR_LOSS_OF_SIGNIFICANT_DATA;
        }
        *result = Out(n.s);
        return NS_OK;
    case Number::eUnsigned:
        if (n.u > uint64_t(L::max())) return NS_ERROR_LOSS_OF_SIGNIFICANT_DATA;
        *result = Out(n.u);
        return NS_OK;
    case Number::eReal:
        // Truncated toward zero; values outside the type's range refuse.
        if (!std::isfinite(n.d) || n.d <= double(L::min()) - 1.0 || n.d >= double(L::max()) + 1.0) {
            return NS_ERROR_LOSS_OF_SIGNIFICANT_DATA;
        }
        *result = Out(n.d);
        return NS_OK;
    }
    return NS_ERROR_CANNOT_CONVERT_DATA;
}

template <class Out>
nsresult Variant::get_real(Out* result) const {
    if (!result) return NS_ERROR_NULL_POINTER;
    Number n;
    nsresult rv = read_number(n);
    if (NS_FAILED(rv)) return rv;
    *result = n.kind == Number::eSigned ? Out(n.s) : n.kind == Number::eUnsigned ? Out(n.u)
                                                                                  : Out(n.d);
    return NS_OK;
}

nsresult Variant::set_number(uint16_t type, Number number) {
    nsresult rv = begin_set();
    if (NS_FAILED(rv)) return rv;
    m_type = type;
    m_number = number;
    return NS_OK;
}

NS_IMETHODIMP Variant::GetDataType(uint16_t* aDataType) {
    if (!aDataType) return NS_ERROR_NULL_POINTER;
    *aDataType = m_type;
    return NS_OK;
}

NS_IMETHODIMP Variant::GetAsInt8(uint8_t* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    int8_t value = 0;
    nsresult rv = get_integer(&value);
    if (NS_SUCCEEDED(rv)) *_retval = uint8_t(value);
    return rv;
}
NS_IMETHODIMP Variant::GetAsInt16(int16_t* _retval) { return get_integer(_retval); }
NS_IMETHODIMP Variant::GetAsInt32(int32_t* _retval) { return get_integer(_retval); }
NS_IMETHODIMP Variant::GetAsInt64(int64_t* _retval) { return get_integer(_retval); }
NS_IMETHODIMP Variant::GetAsUint8(uint8_t* _retval) { return get_integer(_retval); }
NS_IMETHODIMP Variant::GetAsUint16(uint16_t* _retval) { return get_integer(_retval); }
NS_IMETHODIMP Variant::GetAsUint32(uint32_t* _retval) { return get_integer(_retval); }
NS_IMETHODIMP Variant::GetAsUint64(uint64_t* _retval) { return get_integer(_retval); }
NS_IMETHODIMP Variant::GetAsFloat(float* _retval) { return get_real(_retval); }
NS_IMETHODIMP Variant::GetAsDouble(double* _retval) { return get_real(_retval); }

NS_IMETHODIMP Variant::GetAsBool(bool* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    double value = 0;
    nsresult rv = get_real(&value);
    if (NS_SUCCEEDED(rv)) *_retval = value != 0;
    return rv;
}

NS_IMETHODIMP Variant::GetAsChar(char* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    if (m_type == T::VTYPE_CHAR || m_type == T::VTYPE_WCHAR) {
        *_retval = char(m_number.s);
        return NS_OK;
    }
    int8_t value = 0;
    nsresult rv = get_integer(&value);
    if (NS_SUCCEEDED(rv)) *_retval = char(value);
    return rv;
}

NS_IMETHODIMP Variant::GetAsWChar(char16_t* _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    if (m_type == T::VTYPE_CHAR || m_type == T::VTYPE_WCHAR) {
        *_retval = char16_t(m_number.s);
        return NS_OK;
    }
    uint16_t value = 0;
    nsresult rv = get_integer(&value);
    if (NS_SUCCEEDED(rv)) *_retval = char16_t(value);
    return rv;
}

NS_IMETHODIMP_(nsresult) Variant::GetAsID(nsID* retval) {
    if (!retval) return NS_ERROR_NULL_POINTER;
    if (m_type == T::VTYPE_ID) {
        *retval = m_id;
        return NS_OK;
    }
    std::string text;
    if (!is_text() || NS_FAILED(read_utf8(text)) || !retval->Parse(text.c_str())) {
        return NS_ERROR_CANNOT_CONVERT_DATA;
    }
    return NS_OK;
}

// ---- texts ----

nsresult Variant::read_utf8(std::string& text) const {
    text.clear();
    if (is_narrow_text()) {
        text = m_narrow;
    } else if (is_text()) {
        text = utf16_to_utf8(m_wide);
    } else {
        switch (m_type) {
        case T::VTYPE_VOID:
        case T::VTYPE_EMPTY:
            break;
        case T::VTYPE_BOOL:
            text = m_number.s ? "true" : "false";
            break;
        case T::VTYPE_CHAR:
            text.assign(1, char(m_number.s));
            break;
        case T::VTYPE_WCHAR:
            text = utf16_to_utf8(std::u16string(1, char16_t(m_number.s)));
            break;
        case T::VTYPE_ID: {
            char buffer[NSID_LENGTH];
            m_id.ToProvidedString(buffer);
            text = buffer;
            break;
        }
        case T::VTYPE_FLOAT:
        case T::VTYPE_DOUBLE:
            text = format_real(m_number.d);
            break;
        case T::VTYPE_UINT8: case T::VTYPE_UINT16: case T::VTYPE_UINT32: case T::VTYPE_UINT64:
            text = std::to_string(m_number.u);
            break;
        case T::VTYPE_INT8: case T::VTYPE_INT16: case T::VTYPE_INT32: case T::VTYPE_INT64:
            text = std::to_string(m_number.s);
            break;
        default:
            return NS_ERROR_CANNOT_CONVERT_DATA;
        }
    }
    return NS_OK;
}

nsresult Variant::read_utf16(std::u16string& text) const {
    if (is_text() && !is_narrow_text()) {
        text = m_wide;
        return NS_OK;
    }
    std::string narrow;
    nsresult rv = read_utf8(narrow);
    if (NS_SUCCEEDED(rv)) text = utf8_to_utf16(narrow);
    return rv;
}

NS_IMETHODIMP Variant::GetAsAString(nsAString& _retval) {
    std::u16string text;
    nsresult rv = read_utf16(text);
    if (NS_FAILED(rv)) return rv;
    return NS_StringSetData(_retval, text.data(), uint32_t(text.size()));
}

NS_IMETHODIMP Variant::GetAsDOMString(nsAString& _retval) { return GetAsAString(_retval); }

NS_IMETHODIMP Variant::GetAsACString(nsACString& _retval) {
    std::string text;
    nsresult rv = read_utf8(text);
    if (NS_FAILED(rv)) return rv;
    return NS_CStringSetData(_retval, text.data(), uint32_t(text.size()));
}

NS_IMETHODIMP Variant::GetAsAUTF8String(nsAUTF8String& _retval) { return GetAsACString(_retval); }

NS_IMETHODIMP Variant::GetAsString(char** _retval) {
    uint32_t size = 0;
    return GetAsStringWithSize(&size, _retval);
}

NS_IMETHODIMP Variant::GetAsWString(char16_t** _retval) {
    uint32_t size = 0;
    return GetAsWStringWithSize(&size, _retval);
}

NS_IMETHODIMP Variant::GetAsStringWithSize(uint32_t* size, char** str) {
    if (!size || !str) return NS_ERROR_NULL_POINTER;
    *str = nullptr;
    std::string text;
    nsresult rv = read_utf8(text);
    if (NS_FAILED(rv)) return rv;
    *str = new_text(text.data(), text.size());
    if (!*str) return NS_ERROR_OUT_OF_MEMORY;
    *size = uint32_t(text.size());
    return NS_OK;
}

NS_IMETHODIMP Variant::GetAsWStringWithSize(uint32_t* size, char16_t** str) {
    if (!size || !str) return NS_ERROR_NULL_POINTER;
    *str = nullptr;
    std::u16string text;
    nsresult rv = read_utf16(text);
    if (NS_FAILED(rv)) return rv;
    *str = new_text(text.data(), text.size());
    if (!*str) return NS_ERROR_OUT_OF_MEMORY;
    *size = uint32_t(text.size());
    return NS_OK;
}

// ---- interfaces and arrays ----

NS_IMETHODIMP Variant::GetAsISupports(nsISupports** _retval) {
    if (!_retval) return NS_ERROR_NULL_POINTER;
    *_retval = nullptr;
    if (m_type != T::VTYPE_INTERFACE && m_type != T::VTYPE_INTERFACE_IS) {
        return NS_ERROR_CANNOT_CONVERT_DATA;
    }
    if (m_interface) {
        return m_interface->QueryInterface(NS_GET_IID(nsISupports),
                                           reinterpret_cast<void**>(_retval));
    }
    return NS_OK;
}

NS_IMETHODIMP Variant::GetAsJSVal(void*) { return NS_ERROR_NOT_IMPLEMENTED; }

NS_IMETHODIMP Variant::GetAsInterface(nsIID** iid, void** iface) {
    if (!iid || !iface) return NS_ERROR_NULL_POINTER;
    *iid = nullptr;
    *iface = nullptr;
    if (m_type != T::VTYPE_INTERFACE && m_type != T::VTYPE_INTERFACE_IS) {
        return NS_ERROR_CANNOT_CONVERT_DATA;
    }
    const nsIID& held = m_type == T::VTYPE_INTERFACE ? NS_GET_IID(nsISupports) : m_iid;
    if (m_interface) {
        nsresult rv = m_interface->QueryInterface(held, iface);
        if (NS_FAILED(rv)) return rv;
    }
    *iid = static_cast<nsIID*>(NS_Alloc(sizeof(nsIID)));
    if (!*iid) {
        if (*iface) static_cast<nsISupports*>(*iface)->Release();
        *iface = nullptr;
        return NS_ERROR_OUT_OF_MEMORY;
    }
    **iid = held;
    return NS_OK;
}

NS_IMETHODIMP_(nsresult) Variant::GetAsArray(uint16_t* type, nsIID* iid, uint32_t* count,
                                             void** ptr) {
    if (!type || !count || !ptr) return NS_ERROR_NULL_POINTER;
    *ptr = nullptr;
    if (m_type != T::VTYPE_ARRAY) return NS_ERROR_CANNOT_CONVERT_DATA;
    nsresult rv = copy_array(m_element_type, m_count, m_elements, ptr);
    if (NS_FAILED(rv)) return rv;
    *type = m_element_type;
    *count = m_count;
    if (iid) *iid = m_iid;
    return NS_OK;
}

// ---- setters ----

NS_IMETHODIMP Variant::GetWritable(bool* aWritable) {
    if (!aWritable) return NS_ERROR_NULL_POINTER;
    *aWritable = m_writable;
    return NS_OK;
}

NS_IMETHODIMP Variant::SetWritable(bool aWritable) {
    m_writable = aWritable;
    return NS_OK;
}

NS_IMETHODIMP Variant::SetAsInt8(uint8_t aValue) {
    return set_number(T::VTYPE_INT8, Number{Number::eSigned, int8_t(aValue), 0, 0});
}
NS_IMETHODIMP Variant::SetAsInt16(int16_t aValue) {
    return set_number(T::VTYPE_INT16, Number{Number::eSigned, aValue, 0, 0});
}
NS_IMETHODIMP Variant::SetAsInt32(int32_t aValue) {
    return set_number(T::VTYPE_INT32, Number{Number::eSigned, aValue, 0, 0});
}
NS_IMETHODIMP Variant::SetAsInt64(int64_t aValue) {
    return set_number(T::VTYPE_INT64, Number{Number::eSigned, aValue, 0, 0});
}
NS_IMETHODIMP Variant::SetAsUint8(uint8_t aValue) {
    return set_number(T::VTYPE_UINT8, Number{Number::eUnsigned, 0, aValue, 0});
}
NS_IMETHODIMP Variant::SetAsUint16(uint16_t aValue) {
    return set_number(T::VTYPE_UINT16, Number{Number::eUnsigned, 0, aValue, 0});
}
NS_IMETHODIMP Variant::SetAsUint32(uint32_t aValue) {
    return set_number(T::VTYPE_UINT32, Number{Number::eUnsigned, 0, aValue, 0});
}
NS_IMETHODIMP Variant::SetAsUint64(uint64_t aValue) {
    return set_number(T::VTYPE_UINT64, Number{Number::eUnsigned, 0, aValue, 0});
}
NS_IMETHODIMP Variant::SetAsFloat(float aValue) {
    return set_number(T::VTYPE_FLOAT, Number{Number::eReal, 0, 0, aValue});
}
NS_IMETHODIMP Variant::SetAsDouble(double aValue) {
    return set_number(T::VTYPE_DOUBLE, Number{Number::eReal, 0, 0, aValue});
}
NS_IMETHODIMP Variant::SetAsBool(bool aValue) {
    return set_number(T::VTYPE_BOOL, Number{Number::eSigned, aValue ? 1 : 0, 0, 0});
}
NS_IMETHODIMP Variant::SetAsChar(char aValue) {
    return set_number(T::VTYPE_CHAR, Number{Number::eSigned, uint8_t(aValue), 0, 0});
}
NS_IMETHODIMP Variant::SetAsWChar(char16_t aValue) {
    return set_number(T::VTYPE_WCHAR, Number{Number::eSigned, aValue, 0, 0});
}

NS_IMETHODIMP Variant::SetAsID(const nsID& aValue) {
    nsresult rv = begin_set();
    if (NS_FAILED(rv)) return rv;
    m_type = T::VTYPE_ID;
    m_id = aValue;
    return NS_OK;
}

nsresult Variant::set_utf8(uint16_t type, const char* data, size_t length) {
    nsresult rv = begin_set();
    if (NS_FAILED(rv)) return rv;
    if (length) m_narrow.assign(data, length);
    m_type = type;
    return NS_OK;
}

nsresult Variant::set_utf16(uint16_t type, const char16_t* data, size_t length) {
    nsresult rv = begin_set();
    if (NS_FAILED(rv)) return rv;
    if (length) m_wide.assign(data, length);
    m_type = type;
    return NS_OK;
}

NS_IMETHODIMP Variant::SetAsAString(const nsAString& aValue) {
    const char16_t* data = nullptr;
    uint32_t length = NS_StringGetData(aValue, &data, nullptr);
    return set_utf16(T::VTYPE_ASTRING, data, length);
}

NS_IMETHODIMP Variant::SetAsDOMString(const nsAString& aValue) {
    const char16_t* data = nullptr;
    uint32_t length = NS_StringGetData(aValue, &data, nullptr);
    return set_utf16(T::VTYPE_DOMSTRING, data, length);
}

NS_IMETHODIMP Variant::SetAsACString(const nsACString& aValue) {
    const char* data = nullptr;
    uint32_t length = NS_CStringGetData(aValue, &data, nullptr);
    return set_utf8(T::VTYPE_CSTRING, data, length);
}

NS_IMETHODIMP Variant::SetAsAUTF8String(const nsAUTF8String& aValue) {
    const char* data = nullptr;
    uint32_t length = NS_CStringGetData(aValue, &data, nullptr);
    return set_utf8(T::VTYPE_UTF8STRING, data, length);
}

NS_IMETHODIMP Variant::SetAsString(const char* aValue) {
    if (!aValue) return NS_ERROR_NULL_POINTER;
    return set_utf8(T::VTYPE_CHAR_STR, aValue, text_length(aValue));
}

NS_IMETHODIMP Variant::SetAsWString(const char16_t* aValue) {
    if (!aValue) return NS_ERROR_NULL_POINTER;
    return set_utf16(T::VTYPE_WCHAR_STR, aValue, text_length(aValue));
}

NS_IMETHODIMP Variant::SetAsStringWithSize(uint32_t size, const char* str) {
    if (!str && size) return NS_ERROR_NULL_POINTER;
    return set_utf8(T::VTYPE_STRING_SIZE_IS, str, size);
}

NS_IMETHODIMP Variant::SetAsWStringWithSize(uint32_t size, const char16_t* str) {
    if (!str && size) return NS_ERROR_NULL_POINTER;
    return set_utf16(T::VTYPE_WSTRING_SIZE_IS, str, size);
}

NS_IMETHODIMP Variant::SetAsISupports(nsISupports* aValue) {
    nsCOMPtr<nsISupports> keep(aValue);  // aValue may be held only by this variant
    nsresult rv = begin_set();
    if (NS_FAILED(rv)) return rv;
    m_type = T::VTYPE_INTERFACE;
    m_iid = NS_GET_IID(nsISupports);
    m_interface = aValue;
    return NS_OK;
}

NS_IMETHODIMP Variant::SetAsInterface(const nsIID& iid, void* iface) {
    nsCOMPtr<nsISupports> keep(static_cast<nsISupports*>(iface));
    const nsIID copy = iid;  // iid may lie in this variant
    nsresult rv = begin_set();
    if (NS_FAILED(rv)) return rv;
    m_type = T::VTYPE_INTERFACE_IS;
    m_iid = copy;
    m_interface = keep;
    return NS_OK;
}

NS_IMETHODIMP Variant::SetAsArray(uint16_t type, const nsIID* iid, uint32_t count, void* ptr) {
    if (!m_writable) return NS_ERROR_OBJECT_IS_IMMUTABLE;
    void* elements = nullptr;
    nsresult rv = copy_array(type, count, ptr, &elements);  // before clearing: ptr may be ours
    if (NS_FAILED(rv)) return rv;
    const nsIID element_iid = iid ? *iid : NS_GET_IID(nsISupports);
    clear();
    m_type = T::VTYPE_ARRAY;
    m_element_type = type;
    m_count = count;
    m_elements = elements;
    m_iid = element_iid;
    return NS_OK;
}

NS_IMETHODIMP Variant::SetAsVoid() {
    nsresult rv = begin_set();
    if (NS_SUCCEEDED(rv)) m_type = T::VTYPE_VOID;
    return rv;
}

NS_IMETHODIMP Variant::SetAsEmpty() { return begin_set(); }

NS_IMETHODIMP Variant::SetAsEmptyArray() {
    nsresult rv = begin_set();
    if (NS_SUCCEEDED(rv)) m_type = T::VTYPE_EMPTY_ARRAY;
    return rv;
}

NS_IMETHODIMP Variant::SetFromVariant(nsIVariant* aValue) {
    if (!aValue) return NS_ERROR_NULL_POINTER;
    if (!m_writable) return NS_ERROR_OBJECT_IS_IMMUTABLE;
    nsCOMPtr<nsIVariant> source(aValue);
    uint16_t type = 0;
    nsresult rv = source->GetDataType(&type);
    if (NS_FAILED(rv)) return rv;
    switch (type) {
    case T::VTYPE_INT8: { uint8_t v; rv = source->GetAsInt8(&v); return NS_FAILED(rv) ? rv : SetAsInt8(v); }
    case T::VTYPE_INT16: { int16_t v; rv = source->GetAsInt16(&v); return NS_FAILED(rv) ? rv : SetAsInt16(v); }
    case T::VTYPE_INT32: { int32_t v; rv = source->GetAsInt32(&v); return NS_FAILED(rv) ? rv : SetAsInt32(v); }
    case T::VTYPE_INT64: { int64_t v; rv = source->GetAsInt64(&v); return NS_FAILED(rv) ? rv : SetAsInt64(v); }
    case T::VTYPE_UINT8: { uint8_t v; rv = source->GetAsUint8(&v); return NS_FAILED(rv) ? rv : SetAsUint8(v); }
    case T::VTYPE_UINT16: { uint16_t v; rv = source->GetAsUint16(&v); return NS_FAILED(rv) ? rv : SetAsUint16(v); }
    case T::VTYPE_UINT32: { uint32_t v; rv = source->GetAsUint32(&v); return NS_FAILED(rv) ? rv : SetAsUint32(v); }
    case T::VTYPE_UINT64: { uint64_t v; rv = source->GetAsUint64(&v); return NS_FAILED(rv) ? rv : SetAsUint64(v); }
    case T::VTYPE_FLOAT: { float v; rv = source->GetAsFloat(&v); return NS_FAILED(rv) ? rv : SetAsFloat(v); }
    case T::VTYPE_DOUBLE: { double v; rv = source->GetAsDouble(&v); return NS_FAILED(rv) ? rv : SetAsDouble(v); }
    case T::VTYPE_BOOL: { bool v; rv = source->GetAsBool(&v); return NS_FAILED(rv) ? rv : SetAsBool(v); }
    case T::VTYPE_CHAR: { char v; rv = source->GetAsChar(&v); return NS_FAILED(rv) ? rv : SetAsChar(v); }
    case T::VTYPE_WCHAR: { char16_t v; rv = source->GetAsWChar(&v); return NS_FAILED(rv) ? rv : SetAsWChar(v); }
    case T::VTYPE_ID: { nsID v; rv = source->GetAsID(&v); return NS_FAILED(rv) ? rv : SetAsID(v); }
    case T::VTYPE_VOID: return SetAsVoid();
    case T::VTYPE_EMPTY: return SetAsEmpty();
    case T::VTYPE_EMPTY_ARRAY: return SetAsEmptyArray();
    case T::VTYPE_INTERFACE:
    case T::VTYPE_INTERFACE_IS: {
        nsIID* iid = nullptr;
        void* iface = nullptr;
        rv = source->GetAsInterface(&iid, &iface);
        if (NS_FAILED(rv)) return rv;
        rv = type == T::VTYPE_INTERFACE ? SetAsISupports(static_cast<nsISupports*>(iface))
                                        : SetAsInterface(*iid, iface);
        if (iface) static_cast<nsISupports*>(iface)->Release();
        NS_Free(iid);
        return rv;
    }
    case T::VTYPE_ARRAY: {
        uint16_t element_type = 0;
        nsIID iid{};
        uint32_t count = 0;
        void* elements = nullptr;
        rv = source->GetAsArray(&element_type, &iid, &count, &elements);
        if (NS_FAILED(rv)) return rv;
        rv = SetAsArray(element_type, &iid, count, elements);
        free_array(element_type, count, elements);
        return rv;
    }
    default: {
        if (type == T::VTYPE_WCHAR_STR || type == T::VTYPE_WSTRING_SIZE_IS ||
            type == T::VTYPE_ASTRING || type == T::VTYPE_DOMSTRING) {
            char16_t* text = nullptr;
            uint32_t size = 0;
            rv = source->GetAsWStringWithSize(&size, &text);
            if (NS_SUCCEEDED(rv)) rv = set_utf16(type, text, size);
            NS_Free(text);
            return rv;
        }
        char* text = nullptr;
        uint32_t size = 0;
        rv = source->GetAsStringWithSize(&size, &text);
        if (NS_SUCCEEDED(rv)) rv = set_utf8(type, text, size);
        NS_Free(text);
        return rv;
    }
    }
}

}  // namespace xpcom_runtime
