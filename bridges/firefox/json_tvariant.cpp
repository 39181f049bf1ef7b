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
#include "utf_codec.h"

namespace {

const char kNameType[] = "type";
const char kNameValue[] = "value";
// A VTYPE_VARIANT chain deeper than this is not followed (a record may point to itself).
const int kMaxVariantDepth = 16;

void release_buffer(void*& pointer, IMemoryManager* memng) {
    if (memng == nullptr || pointer == nullptr) return;
    memng->FreeMemory(&pointer);
}

bool clear_record(tVariant* var, IMemoryManager* memng, int depth) {
    if (var == nullptr) return true;
    switch (var->vt) {
        case VTYPE_PSTR:
        case VTYPE_BLOB: {
            void* p = var->pstrVal;
            release_buffer(p, memng);
            var->pstrVal = static_cast<char*>(p);
            break;
        }
        case VTYPE_PWSTR: {
            void* p = var->pwstrVal;
            release_buffer(p, memng);
            var->pwstrVal = static_cast<uint16_t*>(p);
            break;
        }
        case VTYPE_VARIANT:
            if (depth < kMaxVariantDepth) clear_record(var->pvarVal, memng, depth + 1);
            break;
        default:
            break;
    }
    return true;
}

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
    if (!value.isObject()) throw conversion_error();
    tm fields;
    try {
        fields = Date::fromJSON(value).to_struct_tm();
    } catch (const std::exception&) {
        throw conversion_error();
    }
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

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civil_from_days(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int day_of_year(int year, int month, int day) {
    static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kBefore[month - 1] + day - 1 + (leap && month > 2 ? 1 : 0);
}

}  // namespace

void zero_record(tVariant& var, TYPEVAR vt) {
    std::memset(&var, 0, sizeof var);
    var.vt = vt;
}

int32_t truncate_to_int32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool tVariantClear(tVariant* var, IMemoryManager* memng) { return clear_record(var, memng, 0); }

void set_wide_text(tVariant& dest, const uint16_t* text, size_t len, IMemoryManager* memng) {
    zero_record(dest, VTYPE_EMPTY);
    void* block = nullptr;
    if (memng == nullptr || !memng->AllocMemory(&block, (len + 1) * sizeof(uint16_t))) return;
    uint16_t* units = static_cast<uint16_t*>(block);
    if (len > 0) std::memcpy(units, text, len * sizeof(uint16_t));
    units[len] = 0;
    dest.pwstrVal = units;
    dest.wstrLen = static_cast<uint32_t>(len);
    dest.vt = VTYPE_PWSTR;
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
            set_json_text(value, "string", src.pstrVal, src.strLen);
            consumed = true;
            break;
        case VTYPE_BLOB:
            set_json_text(value, "blob", src.pstrVal, src.strLen);
            consumed = true;
            break;
        case VTYPE_PWSTR: {
            std::string utf8;
            utf16_to_utf8_append(src.pwstrVal, utf16_length(src.pwstrVal), utf8);
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

void comdate_to_date(const double& var, tm& dateVal) {
    std::memset(&dateVal, 0, sizeof dateVal);
    // 0001-01-01 .. 9999-12-31 in days since 1899-12-30, as OLE dates run.
    if (!(var > -657435.0 && var < 2958466.0)) return;
    double whole = std::trunc(var);
    const double fraction = std::fabs(var - whole);
    long long seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {  // rounding reached the next day
        seconds -= 86400;
        whole += var < 0 ? -1 : 1;
    }
    const long long days = static_cast<long long>(whole) - 25569;  // 1899-12-30 to 1970-01-01
    int year = 0, month = 0, day = 0;
    civil_from_days(days, year, month, day);
    dateVal.tm_year = year - 1900;
    dateVal.tm_mon = month - 1;
    dateVal.tm_mday = day;
    dateVal.tm_hour = static_cast<int>(seconds / 3600);
    dateVal.tm_min = static_cast<int>(seconds / 60 % 60);
    dateVal.tm_sec = static_cast<int>(seconds % 60);
    dateVal.tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    dateVal.tm_yday = day_of_year(year, month, day);
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
