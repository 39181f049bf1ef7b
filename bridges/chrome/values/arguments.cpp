#include "arguments.h"

#include "text_conversion.h"

bool js_counts_as_object(const JsValue& value) { return value.isNull() || value.isObject(); }

bool js_counts_as_array(const JsValue& value) { return value.isNull() || value.isArray(); }

bool js_is_empty(const JsValue& value) {
    if (value.isNull()) return true;
    if (value.isArray() || value.isObject()) return value.size() == 0;
    return false;
}

bool js_counts_as_number(const JsValue& value) {
    switch (js_kind(value)) {
    case eJsBool:
    case eJsInt:
    case eJsUInt:
    case eJsReal:
        return true;
    default:
        return false;
    }
}

bool js_has_member(const JsValue& value, const char* name) {
    return name && value.isObject() && value.isMember(name);
}

bool js_valid_index(const JsValue& value, int index) {
    return value.isArray() && index >= 0 && Json::ArrayIndex(index) < value.size();
}

namespace {

// The member or element that a checker reads, or null when it is not there (not passed).
const JsValue* by_name(const JsValue& var, const char* name) {
    return js_has_member(var, name) ? &var[name] : nullptr;
}

const JsValue* by_index(const JsValue& var, int index) {
    return js_valid_index(var, index) ? &var[Json::ArrayIndex(index)] : nullptr;
}

// The non-empty argument, or null.
const JsValue* non_empty(const JsValue* arg) { return arg && !js_is_empty(*arg) ? arg : nullptr; }

}  // namespace

// The four scalar checkers share the same steps: find, test for emptiness, then convert.
#define VELMOR_SCALAR_INIT(Class)                                                   \
    void Class::init(const CNPVariant& var, const char* name) {                    \
        const JsValue* arg = non_empty(by_name(var, name));                        \
        _passed = arg != nullptr;                                                   \
        if (arg) set(*arg);                                                         \
    }                                                                               \
    void Class::init(const CNPVariant& var, int index) {                           \
        const JsValue* arg = non_empty(by_index(var, index));                      \
        _passed = arg != nullptr;                                                   \
        if (arg) set(*arg);                                                         \
    }

VELMOR_SCALAR_INIT(StringArg)
VELMOR_SCALAR_INIT(IntArg)
VELMOR_SCALAR_INIT(DoubleArg)
VELMOR_SCALAR_INIT(BoolArg)
#undef VELMOR_SCALAR_INIT

void StringArg::set(const JsValue& value) {
    if (!value.isString()) throw invalid_args();
    const char* begin = nullptr;
    const char* end = nullptr;
    value.getString(&begin, &end);
    std::string text(begin, end);
    UnicodeString wide;
    utf8_to_utf16_text(text.data(), text.size(), wide);
    _stdval.swap(text);
    _val.swap(wide);
}

void IntArg::set(const JsValue& value) {
    int32_t n;
    if (!js_counts_as_number(value) || !js_to_int32(value, n)) throw invalid_args();
    _val = n;
}

void DoubleArg::set(const JsValue& value) {
    if (!js_counts_as_number(value)) throw invalid_args();
    _val = js_number(value);
}

void BoolArg::set(const JsValue& value) {
    if (!value.isBool()) throw invalid_args();
    _val = value.asBool();
}

void VariantArg::init(const CNPVariant& var, const char* name) {
    const JsValue* arg = non_empty(by_name(var, name));
    _passed = arg != nullptr;
    if (arg) _val = *arg;
}

void VariantArg::init(const CNPVariant& var, int index) {
    const JsValue* arg = non_empty(by_index(var, index));
    _passed = arg != nullptr;
    if (arg) _val = *arg;
}

void ArrayArg::init(const CNPVariant& var, const char* name) {
    const JsValue* arg = by_name(var, name);
    _passed = arg != nullptr;
    if (!arg) return;
    if (!js_counts_as_array(*arg)) throw invalid_args();
    // Element by element, so that null or [] leaves a fresh checker's value null.
    const Json::ArrayIndex n = arg->size();
    for (Json::ArrayIndex i = 0; i < n; ++i) _val[i] = (*arg)[i];
}

void ArrayArg::init(const CNPVariant& var, int index) {
    const JsValue* arg = by_index(var, index);
    _passed = arg != nullptr;
    if (!arg) return;
    if (!js_counts_as_array(*arg)) throw invalid_args();
    _val = *arg;
}
