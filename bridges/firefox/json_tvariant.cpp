#include "json_tvariant.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "addin_exception.h"
#include "date.h"
#include "json_text.h"
#include "sized_addin_memory.h"
#include "utf_codec.h"

namespace {

const char kNameType[] = "type";
const char kNameValue[] = "value";

void set_utf8_text(tVariant& dest, const std::string& utf8, IMemoryManager* memng) {
    Utf16String wide;
    utf8_to_utf16_append(utf8.data(), utf8.size(), wide);
    set_wide_text(dest, wide.data(), utf16_length(wide.c_str()), memng);
}

// A "value" that must be readable as a number (as the JSON library reads numbers).
double number_of(const JsValue& value) {
    if (!value.isConvertibleTo(Json::realValue)) throw conversion_error();
    return value.asDouble();
}

void set_number(tVariant& dest, const JsValue& value, bool integer) {
    const double number = number_of(value);
    if (integer) {
        zero_record(dest, VTYPE_I4);
        dest.lVal = truncate_to_int32(number);
    } else {
        zero_record(dest, VTYPE_R8);
        dest.dblVal = number;
    }
}

void set_date(tVariant& dest, const JsValue& value) {
    const tm fields = json_date_fields(value);
    zero_record(dest, VTYPE_TM);
    dest.tmVal = fields;
}

// The {"type", "value"} form.
void typed_to_tvariant(JsValue& object, tVariant& dest, IMemoryManager* memng) {
    if (!object.isMember(kNameType) || !object[kNameType].isString() ||
        !object.isMember(kNameValue)) {
        throw conversion_error();
    }
    const std::string type = object[kNameType].asString();
    const JsValue& value = object[kNameValue];
    if (type == "date") {
        set_date(dest, value);
    } else if (type == "int" || type == "uint") {
        set_number(dest, value, true);
    } else if (type == "double" || type == "float" || type == "real") {
        set_number(dest, value, false);
    } else if (type == "string") {
        if (!value.isString()) throw conversion_error();
        set_utf8_text(dest, value.asString(), memng);
    } else if (type == "boolean" || type == "bool") {
        if (!value.isConvertibleTo(Json::booleanValue)) throw conversion_error();
        zero_record(dest, VTYPE_BOOL);
        dest.bVal = value.asBool();
    } else if (type == "null") {
        dest.vt = VTYPE_NULL;
    } else {
        dest.vt = VTYPE_EMPTY;
    }
}

void set_json_text(JsValue& value, const char* type, const char* bytes, size_t len) {
    value[kNameType] = type;
    value[kNameValue] = bytes != nullptr ? JsValue(bytes, bytes + len) : JsValue("");
}

// The bytes of a narrow text or a blob, as many as the add-in claims and its block holds,
// made well-formed for the JSON writer.
std::string narrow_bytes(const tVariant& src, IMemoryManager* memng) {
    if (src.pstrVal == nullptr) return std::string();
    const size_t length = src.vt == VTYPE_BLOB ? readable_bytes(memng, src.pstrVal, src.strLen)
                                               : readable_text(memng, src.pstrVal, src.strLen);
    return well_formed_utf8(src.pstrVal, length);
}

int32_t integer_of(const tVariant& src) {
    switch (src.vt) {
        case VTYPE_I1: return src.i8Val;
        case VTYPE_I2: return src.shortVal;
        case VTYPE_UI1: return src.ui8Val;
        case VTYPE_UI2: return src.ushortVal;
        default: return src.lVal;
    }
}

const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

tm json_date_fields(const JsValue& value) {
    if (!value.isObject()) throw conversion_error();
    try {
        return Date::fromJSON(value).to_struct_tm();
    } catch (const std::exception&) {
        throw conversion_error();
    }
}

int32_t truncate_to_int32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void value_to_tvariant(JsValue& value, tVariant& dest, IMemoryManager* memng) {
    if (dest.vt != VTYPE_EMPTY) tVariantClear(&dest, memng);
    zero_record(dest, VTYPE_EMPTY);
    switch (value.type()) {
        case Json::nullValue: dest.vt = VTYPE_NULL; return;
        case Json::intValue:
        case Json::uintValue:
            zero_record(dest, VTYPE_I4);
            dest.lVal = truncate_to_int32(value.asDouble());
            return;
        case Json::realValue:
            zero_record(dest, VTYPE_R8);
            dest.dblVal = value.asDouble();
            return;
        case Json::stringValue: set_utf8_text(dest, value.asString(), memng); return;
        case Json::booleanValue:
            zero_record(dest, VTYPE_BOOL);
            dest.bVal = value.asBool();
            return;
        case Json::arrayValue: throw conversion_error();
        case Json::objectValue:
            if (value.empty()) return;
            try {
                typed_to_tvariant(value, dest, memng);
            } catch (...) {
                zero_record(dest, VTYPE_EMPTY);
                throw;
            }
            return;
    }
}

void tvariant_to_value(tVariant& src, JsValue& value, IMemoryManager* memng) {
    value = JsValue(Json::objectValue);
    bool consumed = false;
    switch (src.vt) {
        case VTYPE_EMPTY:
            value[kNameType] = "empty";
            value[kNameValue] = JsValue(Json::objectValue);
            break;
        case VTYPE_NULL:
            value[kNameType] = "null";
            value[kNameValue] = JsValue();
            break;
        case VTYPE_I1:
        case VTYPE_I2:
        case VTYPE_I4:
        case VTYPE_UI1:
        case VTYPE_UI2:
            value[kNameType] = "int";
            value[kNameValue] = integer_of(src);
            break;
        case VTYPE_UI4:
            value[kNameType] = "int";
            value[kNameValue] = static_cast<Json::UInt>(src.ulVal);
            break;
        case VTYPE_R4:
            value[kNameType] = "double";
            value[kNameValue] = static_cast<double>(src.fltVal);
            break;
        case VTYPE_R8:
            value[kNameType] = "double";
            value[kNameValue] = src.dblVal;
            break;
        case VTYPE_DATE: {
            tm fields;
            comdate_to_date(src.date, fields);
            value[kNameType] = "date";
            value[kNameValue] = Date(fields).toJson();
            break;
        }
        case VTYPE_TM:
            value[kNameType] = "date";
            value[kNameValue] = Date(src.tmVal).toJson();
            break;
        case VTYPE_PSTR:
        case VTYPE_BLOB: {
            const std::string text = narrow_bytes(src, memng);
            set_json_text(value, src.vt == VTYPE_PSTR ? "string" : "blob", text.data(),
                          text.size());
            consumed = true;
            break;
        }
        case VTYPE_PWSTR: {
            std::string utf8;
            utf16_to_utf8_append(src.pwstrVal, readable_text(memng, src.pwstrVal, kUpToTerminator),
                                 utf8);
            value[kNameType] = "string";
            value[kNameValue] = utf8;
            consumed = true;
            break;
        }
        case VTYPE_BOOL:
            value[kNameType] = "boolean";
            value[kNameValue] = src.bVal;
            break;
        default:
            break;
    }
    if (consumed) {
        tVariantClear(&src, memng);
        src.vt = VTYPE_EMPTY;
    }
}

long jsvararray_to_tvariantarray(const char* src, tVariant** ar, IMemoryManager* memng,
                                 int* size) {
    JsValue root;
    if (src == nullptr || !json_read_strict(src, std::strlen(src), root) || root.empty() ||
        !root.isArray()) {
        throw conversion_error();
    }
    const int count = static_cast<int>(root.size());
    const int expected = size != nullptr && *size > 0 ? *size : 0;
    const int records = count > expected ? count : expected;
    std::unique_ptr<tVariant[]> array(new tVariant[static_cast<size_t>(records)]());
    for (int i = 0; i < count; ++i) {
        try {
            value_to_tvariant(root[static_cast<Json::ArrayIndex>(i)], array[i], memng);
        } catch (...) {
            for (int j = 0; j < i; ++j) tVariantClear(&array[j], memng);
            throw;
        }
    }
    if (size != nullptr) *size = records;
    *ar = array.release();
    return count;
}

std::string asctime_text(const tm& t) {
    const char* weekday = t.tm_wday >= 0 && t.tm_wday < 7 ? kWeekdays[t.tm_wday] : "???";
    const char* month = t.tm_mon >= 0 && t.tm_mon < 12 ? kMonths[t.tm_mon] : "???";
    char text[96];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %lld\n", weekday, month,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  static_cast<long long>(t.tm_year) + 1900);
    return text;
}
