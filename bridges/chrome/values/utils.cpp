#include "utils.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "addin_memory.h"
#include "date.h"
#include "sized_addin_memory.h"
#include "text_conversion.h"
#include "tvariant_buffers.h"
#include "utf_codec.h"

// ---- CtVariant

namespace {

// The host's memory manager hands the component blocks of the C heap; records are cleared
// through the same heap.
IMemoryManager* c_heap() {
    static AddInMemory heap(std::malloc, std::free);
    return &heap;
}

// Copies `other` into the raw record `self`, duplicating the buffers that a record owns.
void copy_record(tVariant& self, const tVariant& other) {
    std::memcpy(static_cast<void*>(&self), &other, sizeof(tVariant));
    switch (other.vt) {
    case VTYPE_PSTR:
    case VTYPE_BLOB:
        if (other.pstrVal) {
            char* buf = CheckAlloc(static_cast<char*>(std::malloc(size_t(other.strLen) + 1)));
            std::memcpy(buf, other.pstrVal, other.strLen);
            buf[other.strLen] = 0;
            self.pstrVal = buf;
        }
        break;
    case VTYPE_PWSTR:
        if (other.pwstrVal) {
            const size_t units = size_t(other.wstrLen) + 1;
            uint16_t* buf = CheckAlloc(static_cast<uint16_t*>(std::malloc(units * sizeof(uint16_t))));
            std::memcpy(buf, other.pwstrVal, size_t(other.wstrLen) * sizeof(uint16_t));
            buf[other.wstrLen] = 0;
            self.pwstrVal = buf;
        }
        break;
    default:
        break;  // VTYPE_VARIANT: the record pointed to is not owned, the pointer is shared
    }
}

void make_empty(tVariant& var) { zero_record(var, VTYPE_EMPTY); }

}  // namespace

IMemoryManager* host_heap() { return c_heap(); }

CtVariant::CtVariant() { make_empty(*this); }

CtVariant::CtVariant(const CtVariant& other) : _tVariant() {
    make_empty(*this);
    copy_record(*this, other);
}

CtVariant::CtVariant(CtVariant&& other) noexcept : _tVariant() {
    std::memcpy(static_cast<void*>(static_cast<tVariant*>(this)),
                static_cast<const tVariant*>(&other), sizeof(tVariant));
    make_empty(other);
}

CtVariant& CtVariant::operator=(const CtVariant& other) {
    if (this == &other) return *this;
    CtVariant copy(other);  // may throw; this record is unchanged then
    return *this = std::move(copy);
}

CtVariant& CtVariant::operator=(CtVariant&& other) noexcept {
    if (this == &other) return *this;
    clear(this);
    std::memcpy(static_cast<void*>(static_cast<tVariant*>(this)),
                static_cast<const tVariant*>(&other), sizeof(tVariant));
    make_empty(other);
    return *this;
}

CtVariant::~CtVariant() { clear(this); }

void CtVariant::clear(tVariant* var) { tVariantClear(var, c_heap()); }

// ---- Utils: JSON helpers and texts

namespace {

void utf8_to_wide(const char* str, size_t len, UnicodeString& wstr, bool append) {
    if (!append) wstr.clear();
    utf8_to_utf16_text(str, len, wstr);
}

void wide_to_utf8(const UnicodeChar* wstr, size_t len, std::string& str, bool append) {
    if (!append) str.clear();
    utf16_to_utf8_text(wstr, len, str);
}

}  // namespace

void Utils::initVariant(bool val, CNPVariant& variant) { variant = JsValue(val); }

void Utils::initVariant(int val, CNPVariant& variant) { variant = JsValue(val); }

void Utils::initVariant(double val, CNPVariant& variant) { variant = JsValue(val); }

void Utils::initVariant(CNPVariant& val, CNPVariant& variant) { variant = val; }

void Utils::initVariant(const UnicodeChar* val, size_t len, CNPVariant& variant) {
    std::string text;
    wide_to_utf8(val, len, text, false);
    variant = JsValue(text);
}

void Utils::initVariant(const UnicodeString& val, CNPVariant& variant) {
    initVariant(val.data(), val.size(), variant);
}

void Utils::copyStr(const char* src, std::string& dest, bool append) {
    if (!append) dest.clear();
    if (src) dest.append(src);
}

void Utils::copyStr(const std::string& src, std::string& dest, bool append) {
    if (append)
        dest.append(src);
    else
        dest = src;
}

void Utils::UTF8ToWide(const char* str, int strLen, UnicodeString& wstr, bool append) {
    if (strLen <= 0 || !str) {
        if (!append) wstr.clear();
        return;
    }
    utf8_to_wide(str, size_t(strLen), wstr, append);
}

void Utils::UTF8ToWide(const char* str, UnicodeString& wstr, bool append) {
    utf8_to_wide(str, str ? std::strlen(str) : 0, wstr, append);
}

void Utils::UTF8ToWide(const std::string& str, UnicodeString& wstr, bool append) {
    utf8_to_wide(str.data(), str.size(), wstr, append);
}

void Utils::wideToUTF8(const UnicodeChar* wstr, int wstrLen, std::string& str, bool append) {
    if (wstrLen <= 0 || !wstr) {
        if (!append) str.clear();
        return;
    }
    wide_to_utf8(wstr, size_t(wstrLen), str, append);
}

void Utils::wideToUTF8(const UnicodeChar* wstr, std::string& str, bool append) {
    wide_to_utf8(wstr, utf16_length(wstr), str, append);
}

void Utils::wideToUTF8(const UnicodeString& wstr, std::string& str, bool append) {
    wide_to_utf8(wstr.data(), wstr.size(), str, append);
}

// ---- Utils: values

namespace {

// Zero-fills the value part of a record (not cbElements) and sets its type.
void reset_value(tVariant& var, TYPEVAR vt) {
    std::memset(static_cast<void*>(&var), 0, offsetof(tVariant, cbElements));
    var.vt = vt;
}

}  // namespace

bool Utils::NPVariantToVariant(const CNPVariant& npVar, tVariant& tVar) {
    switch (js_kind(npVar)) {
    case eJsNull:
        reset_value(tVar, VTYPE_NULL);
        return true;
    case eJsInt:
        reset_value(tVar, VTYPE_I4);
        tVar.lVal = npVar.asInt();
        return true;
    case eJsReal:
        reset_value(tVar, VTYPE_R8);
        tVar.dblVal = js_number(npVar);
        return true;
    case eJsBool:
        reset_value(tVar, VTYPE_BOOL);
        tVar.bVal = npVar.asBool();
        return true;
    case eJsString: {
        const char* begin = nullptr;
        const char* end = nullptr;
        npVar.getString(&begin, &end);
        UnicodeString wide;
        utf8_to_wide(begin, size_t(end - begin), wide, false);
        if (wide.size() >= UINT32_MAX) return false;  // wstrLen cannot hold it
        const size_t bytes = (wide.size() + 1) * sizeof(UnicodeChar);
        uint16_t* buf = CheckAlloc(static_cast<uint16_t*>(std::malloc(bytes)));
        std::memcpy(buf, wide.c_str(), bytes);
        reset_value(tVar, VTYPE_PWSTR);
        tVar.pwstrVal = buf;
        tVar.wstrLen = uint32_t(wide.size());
        return true;
    }
    case eJsObject: {
        if (!npVar.isMember("date")) return true;
        Date date;
        try {
            date = Date::fromJSON(npVar["date"]);
        } catch (const std::invalid_argument&) {
            return false;  // not a date object, or a field that is not an int
        }
        reset_value(tVar, VTYPE_TM);
        tVar.tmVal = date.to_struct_tm();
        return true;
    }
    case eJsUInt:
    case eJsArray:
    default:
        return false;
    }
}

bool Utils::VariantToNPVariant(const tVariant& tVar, CNPVariant& npVar, IMemoryManager* memory) {
    switch (tVar.vt) {
    case VTYPE_TM:
        npVar = Date(tVar.tmVal).toJson();
        return true;
    case VTYPE_PSTR:
        if (tVar.pstrVal)
            npVar = JsValue(well_formed_utf8(
                tVar.pstrVal, readable_text(memory, tVar.pstrVal, tVar.strLen)));
        else
            npVar = JsValue("");
        return true;
    case VTYPE_BOOL:
        npVar = JsValue(tVar.bVal);
        return true;
    case VTYPE_PWSTR: {
        std::string text;
        wide_to_utf8(tVar.pwstrVal, readable_text(memory, tVar.pwstrVal, tVar.wstrLen), text,
                     false);
        npVar = JsValue(text);
        return true;
    }
    case VTYPE_EMPTY:
    case VTYPE_NULL:
        npVar = JsValue();
        return true;
    case VTYPE_I4:
        npVar = JsValue(Json::Int(tVar.lVal));
        return true;
    case VTYPE_INT:
        npVar = JsValue(Json::Int(tVar.intVal));
        return true;
    case VTYPE_UI4:
        npVar = JsValue(Json::UInt(tVar.ulVal));
        return true;
    case VTYPE_UINT:
        npVar = JsValue(Json::UInt(tVar.uintVal));
        return true;
    case VTYPE_R4:
        npVar = JsValue(double(tVar.fltVal));
        return true;
    case VTYPE_R8:
        npVar = JsValue(tVar.dblVal);
        return true;
    default:
        return false;
    }
}

void Utils::jsArrayTotVariantArray(CJSArray& jsArray, std::vector<CtVariant>& tVarArray) {
    if (!jsArray.isArray()) return;  // an object's members have no positions
    const size_t n = std::min<size_t>(jsArray.size(), tVarArray.size());
    for (size_t i = 0; i < n; ++i) {
        // Convert into a fresh record: a refused element, or an object without "date", leaves
        // the record as it was; a converted one replaces it, releasing its old buffers.
        CtVariant converted;
        const CNPVariant element(jsArray[Json::ArrayIndex(i)]);
        if (!NPVariantToVariant(element, converted) || converted.vt == VTYPE_EMPTY) continue;
        tVarArray[i] = std::move(converted);
    }
}

void Utils::tVariantArrayTojsArray(const std::vector<CtVariant>& tVarArray, CJSArray& jsArray) {
    tVariantArrayTojsArray(tVarArray.data(), tVarArray.size(), jsArray);
}

void Utils::jsArrayTotVariantArray(CJSArray& jsArray, tVariant* records, size_t count) {
    if (!jsArray.isArray()) return;
    const size_t n = std::min<size_t>(jsArray.size(), count);
    for (size_t i = 0; i < n; ++i) {
        // A refused element, or an object without "date", leaves the record empty.
        NPVariantToVariant(CNPVariant(jsArray[Json::ArrayIndex(i)]), records[i]);
    }
}

void Utils::tVariantArrayTojsArray(const tVariant* records, size_t count, CJSArray& jsArray,
                                   IMemoryManager* memory) {
    for (size_t i = 0; i < count; ++i) {
        CNPVariant value;
        VariantToNPVariant(records[i], value, memory);
        jsArray.set(int(i), value);
    }
}
