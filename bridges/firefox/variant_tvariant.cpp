#include "variant_tvariant.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "addin_exception.h"
#include "json_text.h"
#include "json_tvariant.h"
#include "nsCOMPtr.h"
#include "nsComponentManagerUtils.h"
#include "nsIMutableArray.h"
#include "nsXPCOM.h"
#include "sized_addin_memory.h"
#include "utf16_text.h"
#include "value_depth.h"

bool g_has_json = false;

namespace {

// A block that the browser's allocator handed out (GetAsString, GetAsWString), given back
// when it goes out of scope, also on unwinding.
struct BrowserFree {
    void operator()(void* block) const { NS_Free(block); }
};
template <class T>
using browser_block = std::unique_ptr<T, BrowserFree>;

// What GetAsArray handed out, given back when it goes out of scope.
class ArrayElements {
public:
    ArrayElements(uint16_t type, void* elements, uint32_t count)
        : m_type(type), m_elements(elements), m_count(count) {}
    ~ArrayElements() { release_array_elements(m_type, m_elements, m_count); }
    ArrayElements(const ArrayElements&) = delete;
    ArrayElements& operator=(const ArrayElements&) = delete;

private:
    uint16_t m_type;
    void* m_elements;
    uint32_t m_count;
};

// A new array of empty records for the page's parameters; until it is handed out, the
// buffers its records hold go back to the memory manager with it.
class RecordArray {
public:
    RecordArray(int count, IMemoryManager* memng)
        : m_records(new tVariant[static_cast<size_t>(count)]()), m_count(count), m_memng(memng) {}
    ~RecordArray() {
        if (!m_records) return;
        for (int i = 0; i < m_count; ++i) tVariantClear(&m_records[i], m_memng);
    }
    RecordArray(const RecordArray&) = delete;
    RecordArray& operator=(const RecordArray&) = delete;
    tVariant& operator[](uint32_t i) { return m_records[i]; }
    tVariant* hand_out() { return m_records.release(); }

private:
    std::unique_ptr<tVariant[]> m_records;
    int m_count;
    IMemoryManager* m_memng;
};

void set_utf8(tVariant& dest, const std::string& utf8, IMemoryManager* memng) {
    const wcstring wide = utf16_of(utf8);
    set_wide_text(dest, units(wide.c_str()), utf16_length(units(wide.c_str())), memng);
}

// JSON mode: a text that parses strictly and converts replaces the text record `dest`;
// otherwise `dest` keeps the text.
void try_json_text(const std::string& text, tVariant& dest, IMemoryManager* memng) {
    if (!g_has_json || text.empty()) return;
    JsValue parsed;
    if (!json_read_strict(text.data(), text.size(), parsed)) return;
    tVariant converted;
    zero_record(converted, VTYPE_EMPTY);
    try {
        value_to_tvariant(parsed, converted, memng);
    } catch (const addin_exception&) {
        return;
    }
    tVariantClear(&dest, memng);
    dest = converted;
}

// Narrow text from the variant (its bytes read as UTF-8) into `dest`; the text itself in
// `text`.
void narrow_text(nsIVariant& value, tVariant& dest, std::string& text, IMemoryManager* memng) {
    char* data = nullptr;
    if (NS_FAILED(value.GetAsString(&data)) || data == nullptr) return;
    const browser_block<char> owned(data);
    text = data;
    set_utf8(dest, text, memng);
}

void wide_text(nsIVariant& value, tVariant& dest, std::string& text, IMemoryManager* memng) {
    char16_t* data = nullptr;
    if (NS_FAILED(value.GetAsWString(&data)) || data == nullptr) return;
    const browser_block<char16_t> owned(data);
    set_wide_text(dest, units(data), utf16_length(units(data)), memng);
    text = utf8_of(data);
}

void convert_variant(nsIVariant& value, tVariant& dest, IMemoryManager* memng, int depth);

void inner_variant(nsIVariant& value, tVariant& dest, IMemoryManager* memng, int depth) {
    nsCOMPtr<nsISupports> object;
    if (NS_FAILED(value.GetAsISupports(getter_AddRefs(object))) || !object) return;
    nsCOMPtr<nsIVariant> inner = do_QueryInterface(object.get());
    // A variant may hold itself, directly or not: past the common depth it stays empty.
    if (inner && depth < kMaxValueDepth) convert_variant(*inner, dest, memng, depth + 1);
}

void convert_variant(nsIVariant& value, tVariant& dest, IMemoryManager* memng, int depth) {
    if (dest.vt != VTYPE_EMPTY) tVariantClear(&dest, memng);
    zero_record(dest, VTYPE_EMPTY);
    uint16_t type = nsIDataType::VTYPE_VOID;
    if (NS_FAILED(value.GetDataType(&type))) return;
    std::string candidate;
    double number = 0;
    switch (type) {
        case nsIDataType::VTYPE_INT8:
        case nsIDataType::VTYPE_INT16:
        case nsIDataType::VTYPE_INT32:
        case nsIDataType::VTYPE_INT64:
        case nsIDataType::VTYPE_UINT8:
        case nsIDataType::VTYPE_UINT16:
        case nsIDataType::VTYPE_UINT32:
        case nsIDataType::VTYPE_UINT64:
            if (NS_FAILED(value.GetAsDouble(&number))) return;
            zero_record(dest, VTYPE_I4);
            dest.lVal = truncate_to_int32(number);
            return;
        case nsIDataType::VTYPE_FLOAT:
        case nsIDataType::VTYPE_DOUBLE:
            if (NS_FAILED(value.GetAsDouble(&number))) return;
            zero_record(dest, VTYPE_R8);
            dest.dblVal = number;
            return;
        case nsIDataType::VTYPE_BOOL: {
            bool flag = false;
            if (NS_FAILED(value.GetAsBool(&flag))) return;
            zero_record(dest, VTYPE_BOOL);
            dest.bVal = flag;
            return;
        }
        case nsIDataType::VTYPE_CHAR_STR:
        case nsIDataType::VTYPE_STRING_SIZE_IS:
        case nsIDataType::VTYPE_ASTRING:
            narrow_text(value, dest, candidate, memng);
            break;
        case nsIDataType::VTYPE_WCHAR_STR:
        case nsIDataType::VTYPE_WSTRING_SIZE_IS:
            wide_text(value, dest, candidate, memng);
            break;
        case nsIDataType::VTYPE_INTERFACE:
        case nsIDataType::VTYPE_INTERFACE_IS:
            inner_variant(value, dest, memng, depth);
            return;
        case nsIDataType::VTYPE_EMPTY: dest.vt = VTYPE_NULL; return;
        default: return;  // VTYPE_VOID and the types the add-in has no record for
    }
    try_json_text(candidate, dest, memng);
}

// One element of an array the page gave, by the array's element type.
void convert_element(uint16_t type, const void* elements, uint32_t i, tVariant& dest,
                     IMemoryManager* memng) {
    std::string candidate;
    switch (type) {
        case nsIDataType::VTYPE_INT8:
            zero_record(dest, VTYPE_I4);
            dest.lVal = static_cast<int8_t>(static_cast<const uint8_t*>(elements)[i]);
            return;
        case nsIDataType::VTYPE_INT16:
            zero_record(dest, VTYPE_I4);
            dest.lVal = static_cast<const int16_t*>(elements)[i];
            return;
        case nsIDataType::VTYPE_INT32:
            zero_record(dest, VTYPE_I4);
            dest.lVal = static_cast<const int32_t*>(elements)[i];
            return;
        case nsIDataType::VTYPE_INT64:
            zero_record(dest, VTYPE_I4);
            dest.lVal = truncate_to_int32(static_cast<double>(static_cast<const int64_t*>(elements)[i]));
            return;
        case nsIDataType::VTYPE_UINT8:
            zero_record(dest, VTYPE_I4);
            dest.lVal = static_cast<const uint8_t*>(elements)[i];
            return;
        case nsIDataType::VTYPE_UINT16:
            zero_record(dest, VTYPE_I4);
            dest.lVal = static_cast<const uint16_t*>(elements)[i];
            return;
        case nsIDataType::VTYPE_UINT32:
            zero_record(dest, VTYPE_I4);
            dest.lVal = truncate_to_int32(static_cast<const uint32_t*>(elements)[i]);
            return;
        case nsIDataType::VTYPE_UINT64:
            zero_record(dest, VTYPE_I4);
            dest.lVal = truncate_to_int32(static_cast<double>(static_cast<const uint64_t*>(elements)[i]));
            return;
        case nsIDataType::VTYPE_FLOAT:
            zero_record(dest, VTYPE_R8);
            dest.dblVal = static_cast<const float*>(elements)[i];
            return;
        case nsIDataType::VTYPE_DOUBLE:
            zero_record(dest, VTYPE_R8);
            dest.dblVal = static_cast<const double*>(elements)[i];
            return;
        case nsIDataType::VTYPE_BOOL:
            zero_record(dest, VTYPE_BOOL);
            dest.bVal = static_cast<const bool*>(elements)[i];
            return;
        case nsIDataType::VTYPE_CHAR_STR:
        case nsIDataType::VTYPE_STRING_SIZE_IS: {
            const char* text = static_cast<char* const*>(elements)[i];
            candidate = text != nullptr ? text : "";
            set_utf8(dest, candidate, memng);
            break;
        }
        case nsIDataType::VTYPE_WCHAR_STR:
        case nsIDataType::VTYPE_WSTRING_SIZE_IS: {
            const char16_t* text = static_cast<char16_t* const*>(elements)[i];
            set_wide_text(dest, units(text), utf16_length(units(text)), memng);
            candidate = utf8_of(text);
            break;
        }
        case nsIDataType::VTYPE_INTERFACE:
        case nsIDataType::VTYPE_INTERFACE_IS: {
            nsISupports* object = static_cast<nsISupports* const*>(elements)[i];
            nsCOMPtr<nsIVariant> inner = do_QueryInterface(object);
            if (inner) convert_variant(*inner, dest, memng, 1);
            return;
        }
        default: return;
    }
    try_json_text(candidate, dest, memng);
}


tVariant* empty_records(int count) { return new tVariant[static_cast<size_t>(count)](); }

int expected_of(const int* size) { return size != nullptr && *size > 0 ? *size : 0; }

long array_parameters(nsIVariant& src, tVariant** ar, IMemoryManager* memng, int* size) {
    uint16_t type = 0;
    nsIID iid;
    uint32_t count = 0;
    void* elements = nullptr;
    const int expected = expected_of(size);
    if (NS_FAILED(src.GetAsArray(&type, &iid, &count, &elements))) {
        if (expected > 0) *ar = empty_records(expected);
        return 0;
    }
    const ArrayElements held(type, elements, count);
    if (count == 0) return 0;
    const int records = static_cast<int>(count) > expected ? static_cast<int>(count) : expected;
    RecordArray array(records, memng);
    for (uint32_t i = 0; i < count; ++i) convert_element(type, elements, i, array[i], memng);
    *size = records;
    *ar = array.hand_out();
    return static_cast<long>(count);
}

long text_parameters(nsIVariant& src, uint16_t type, tVariant** ar, IMemoryManager* memng,
                     int* size) {
    if (!g_has_json) return 0;
    std::string text;
    if (type == nsIDataType::VTYPE_WCHAR_STR || type == nsIDataType::VTYPE_WSTRING_SIZE_IS) {
        char16_t* data = nullptr;
        if (NS_FAILED(src.GetAsWString(&data)) || data == nullptr) return 0;
        const browser_block<char16_t> owned(data);
        text = utf8_of(data);
    } else {
        char* data = nullptr;
        if (NS_FAILED(src.GetAsString(&data)) || data == nullptr) return 0;
        const browser_block<char> owned(data);
        text = data;
    }
    if (text.empty()) return 0;
    try {
        return jsvararray_to_tvariantarray(text.c_str(), ar, memng, size);
    } catch (const addin_exception&) {
        return 0;
    }
}

}  // namespace

bool createJSVariant(nsIWritableVariant** data) {
    if (data == nullptr) return false;
    nsresult rv = NS_OK;
    nsCOMPtr<nsIWritableVariant> variant = do_CreateInstance(NS_VARIANT_CONTRACTID, &rv);
    if (rv != NS_OK || !variant) return false;
    variant.forget(data);
    return true;
}

bool createJSArray(void** data) {
    if (data == nullptr) return false;
    nsresult rv = NS_OK;
    nsCOMPtr<nsIMutableArray> array = do_CreateInstance(NS_ARRAY_CONTRACTID, &rv);
    if (rv != NS_OK || !array) return false;
    *data = array.forget().take();
    return true;
}

void value_to_tvariant(nsIVariant& value, tVariant& dest, IMemoryManager* memng) {
    convert_variant(value, dest, memng, 0);
}

void tvariant_to_value(tVariant& src, nsIWritableVariant& value, IMemoryManager* memng) {
    if (g_has_json) {
        JsValue json;
        tvariant_to_value(src, json, memng);
        const std::string text = json_write(json);
        value.SetAsStringWithSize(static_cast<uint32_t>(text.size()), text.data());
        return;
    }
    bool consumed = false;
    switch (src.vt) {
        case VTYPE_EMPTY: value.SetAsVoid(); break;
        case VTYPE_NULL: value.SetAsEmpty(); break;
        case VTYPE_I1: value.SetAsInt32(src.i8Val); break;
        case VTYPE_I2: value.SetAsInt32(src.shortVal); break;
        case VTYPE_UI1: value.SetAsInt32(src.ui8Val); break;
        case VTYPE_UI2: value.SetAsInt32(src.ushortVal); break;
        case VTYPE_I4:
        case VTYPE_UI4: value.SetAsInt32(src.lVal); break;
        case VTYPE_R4: value.SetAsDouble(static_cast<double>(src.fltVal)); break;
        case VTYPE_R8: value.SetAsDouble(src.dblVal); break;
        case VTYPE_DATE: {
            tm fields;
            comdate_to_date(src.date, fields);
            value.SetAsString(asctime_text(fields).c_str());
            break;
        }
        case VTYPE_TM: value.SetAsString(asctime_text(src.tmVal).c_str()); break;
        case VTYPE_BOOL: value.SetAsBool(src.bVal); break;
        case VTYPE_PSTR:
        case VTYPE_BLOB: {
            // No further than the add-in's block, whatever length it claims.
            const size_t length = src.vt == VTYPE_BLOB
                                      ? readable_bytes(memng, src.pstrVal, src.strLen)
                                      : readable_text(memng, src.pstrVal, src.strLen);
            value.SetAsStringWithSize(static_cast<uint32_t>(length),
                                      src.pstrVal != nullptr ? src.pstrVal : "");
            consumed = true;
            break;
        }
        case VTYPE_PWSTR: {
            const size_t length = readable_text(memng, src.pwstrVal, src.wstrLen);
            value.SetAsWStringWithSize(static_cast<uint32_t>(length),
                                       src.pwstrVal != nullptr ? chars(src.pwstrVal) : u"");
            consumed = true;
            break;
        }
        default: break;
    }
    if (consumed) {
        tVariantClear(&src, memng);
        src.vt = VTYPE_EMPTY;
    }
}

long nsvararray_to_tvariantarray(nsIVariant& src, tVariant** ar, IMemoryManager* memng,
                                 int* size) {
    *ar = nullptr;
    uint16_t type = nsIDataType::VTYPE_VOID;
    if (NS_FAILED(src.GetDataType(&type))) return 0;
    const int expected = expected_of(size);
    switch (type) {
        case nsIDataType::VTYPE_CHAR_STR:
        case nsIDataType::VTYPE_STRING_SIZE_IS:
        case nsIDataType::VTYPE_ASTRING:
        case nsIDataType::VTYPE_WCHAR_STR:
        case nsIDataType::VTYPE_WSTRING_SIZE_IS:
            return text_parameters(src, type, ar, memng, size);
        case nsIDataType::VTYPE_ARRAY: return array_parameters(src, ar, memng, size);
        case nsIDataType::VTYPE_EMPTY_ARRAY:
            if (expected > 0) *ar = empty_records(expected);
            return 0;
        default: {
            const int records = expected > 1 ? expected : 1;
            RecordArray array(records, memng);
            value_to_tvariant(src, array[0], memng);
            if (size != nullptr) *size = records;
            *ar = array.hand_out();
            return 1;
        }
    }
}

void release_array_elements(uint16_t type, void* elements, uint32_t count) {
    if (elements == nullptr) return;
    for (uint32_t i = 0; i < count; ++i) {
        switch (type) {
            case nsIDataType::VTYPE_CHAR_STR:
            case nsIDataType::VTYPE_STRING_SIZE_IS:
            case nsIDataType::VTYPE_WCHAR_STR:
            case nsIDataType::VTYPE_WSTRING_SIZE_IS:
                NS_Free(static_cast<void**>(elements)[i]);
                break;
            case nsIDataType::VTYPE_INTERFACE:
            case nsIDataType::VTYPE_INTERFACE_IS:
                if (nsISupports* object = static_cast<nsISupports**>(elements)[i]) object->Release();
                break;
            default: break;
        }
    }
    NS_Free(elements);
}
