#include "js_value.h"

#include <atomic>

#include <json/reader.h>
#include <json/writer.h>

#include "text_conversion.h"
#include "utf_codec.h"

namespace {

std::atomic<ObjectLookup> g_objectLookup{nullptr};

JsValue utf16_value(const UnicodeChar* str, size_t len) {
    std::string text;
    utf16_to_utf8_text(str, len, text);
    return JsValue(text);
}

}  // namespace

// ---- CNPVariant

CNPVariant::CNPVariant(bool val) : JsValue(val) {}
CNPVariant::CNPVariant(int val) : JsValue(val) {}
CNPVariant::CNPVariant(double val) : JsValue(val) {}
CNPVariant::CNPVariant(const char* str, int /*len*/) : JsValue(str ? str : "") {}
CNPVariant::CNPVariant(const UnicodeChar* str) : JsValue(utf16_value(str, utf16_length(str))) {}
CNPVariant::CNPVariant(const UnicodeString& str) : JsValue(utf16_value(str.data(), str.size())) {}
CNPVariant::CNPVariant(CNPVariant* val) : JsValue(val ? JsValue(*val) : JsValue()) {}
CNPVariant::CNPVariant(const JsValue& val) : JsValue(val) {}
CNPVariant::CNPVariant(const CNPVariant& val) : JsValue(val) {}

CNPVariant& CNPVariant::operator=(const CNPVariant& val) {
    copy(*this, val);
    return *this;
}

CNPVariant& CNPVariant::operator=(const JsValue& val) {
    copy(*this, val);
    return *this;
}

void CNPVariant::init(const JsValue& val) { copy(*this, val); }

void CNPVariant::init(const JsValue* val) {
    if (val)
        copy(*this, *val);
    else
        copy(*this, JsValue());
}

void CNPVariant::copy(JsValue& dest) const { copy(dest, *this); }

void CNPVariant::copy(JsValue* dest) const {
    if (dest) copy(*dest, *this);
}

void CNPVariant::copy(JsValue& dest, const JsValue& src) {
    if (&dest == &src) return;
    static_cast<JsValue&>(dest) = src;
}

bool CNPVariant::toBool() const {
    switch (js_kind(*this)) {
    case eJsBool:
        return asBool();
    case eJsInt:
        return asInt() != 0;
    default:
        throw conversion_error();
    }
}

int CNPVariant::toInt() const {
    const JsKind kind = js_kind(*this);
    int32_t n;
    if ((kind == eJsInt || kind == eJsReal) && js_to_int32(*this, n)) return n;
    throw conversion_error();  // also a real outside the int range
}

double CNPVariant::toDouble() const {
    switch (js_kind(*this)) {
    case eJsInt:
    case eJsReal:
        return js_number(*this);
    default:
        throw conversion_error();
    }
}

std::string CNPVariant::toString() const {
    if (!isString()) throw conversion_error();
    return asString();
}

UnicodeString CNPVariant::toUnicodeString() const {
    if (!isString()) throw conversion_error();
    const char* begin = nullptr;
    const char* end = nullptr;
    UnicodeString result;
    if (getString(&begin, &end)) utf8_to_utf16_text(begin, size_t(end - begin), result);
    return result;
}

ScriptableClassBase* CNPVariant::toObject() const {
    if (!isObject() && !isNull()) throw conversion_error();
    if (!isMember("cls_id")) return nullptr;
    int32_t id;
    if (!js_to_int32((*this)["cls_id"], id)) throw conversion_error();
    const ObjectLookup lookup = g_objectLookup.load();
    if (!lookup) return nullptr;
    const JsValue* properties = nullptr;
    if (isMember("properties")) {
        const JsValue& p = (*this)["properties"];
        if (p.isArray() || p.isNull()) properties = &p;
    }
    return lookup(cls_id(id), properties);
}

void set_object_lookup(ObjectLookup lookup) { g_objectLookup.store(lookup); }

// ---- CJSArray

CJSArray::CJSArray() : JsValue(Json::arrayValue) {}
CJSArray::CJSArray(const CNPVariant& val) : JsValue(val) {}
CJSArray::CJSArray(const JsValue& val) : JsValue(val) {}
CJSArray::CJSArray(const CJSArray& val) : JsValue(val) {}

CJSArray& CJSArray::operator=(const CJSArray& val) {
    CNPVariant::copy(*this, val);
    return *this;
}

CJSArray& CJSArray::operator=(const JsValue& val) {
    CNPVariant::copy(*this, val);
    return *this;
}

int CJSArray::length() const {
    if (!isArray() && !isObject()) return 0;
    const Json::ArrayIndex n = size();
    return n > Json::ArrayIndex(INT32_MAX) ? INT32_MAX : int(n);
}

void CJSArray::get(int index, CNPVariant& value) const {
    if (isArray() && index >= 0 && Json::ArrayIndex(index) < size())
        value = (*this)[Json::ArrayIndex(index)];
    else
        value = JsValue();
}

void CJSArray::set(int /*index*/, const CNPVariant& value) {
    if (!isArray() && !isNull()) return;  // append is defined for arrays (null becomes one)
    append(value);
}

// ---- JSON text

bool json_read(const char* text, size_t len, JsValue& out) {
    out = JsValue();
    if (!text) return false;
    Json::Reader reader;  // default features: comments allowed, any top-level value
    return reader.parse(text, text + len, out, false);
}
