#include "json_value.h"

#include <cmath>

JsKind js_kind(const JsValue& value) {
    switch (value.type()) {
    case Json::nullValue:
        return eJsNull;
    case Json::booleanValue:
        return eJsBool;
    case Json::intValue: {
        const Json::Int64 v = value.asInt64();
        if (v >= INT32_MIN && v <= INT32_MAX) return eJsInt;
        if (v > INT32_MAX && v <= int64_t(UINT32_MAX)) return eJsUInt;
        return eJsReal;
    }
    case Json::uintValue: {
        const Json::UInt64 v = value.asUInt64();
        if (v <= uint64_t(INT32_MAX)) return eJsInt;
        if (v <= UINT32_MAX) return eJsUInt;
        return eJsReal;
    }
    case Json::realValue:
        return eJsReal;
    case Json::stringValue:
        return eJsString;
    case Json::arrayValue:
        return eJsArray;
    case Json::objectValue:
        return eJsObject;
    }
    return eJsNull;
}

double js_number(const JsValue& value) {
    switch (value.type()) {
    case Json::booleanValue:
        return value.asBool() ? 1.0 : 0.0;
    case Json::intValue:
        return double(value.asInt64());
    case Json::uintValue:
        return double(value.asUInt64());
    case Json::realValue:
        return value.asDouble();
    default:
        return 0.0;
    }
}

bool js_to_int32(const JsValue& value, int32_t& out) {
    switch (value.type()) {
    case Json::booleanValue:
        out = value.asBool() ? 1 : 0;
        return true;
    case Json::intValue:
    case Json::uintValue:
        if (js_kind(value) != eJsInt) return false;
        out = int32_t(value.asInt64());
        return true;
    case Json::realValue: {
        const double t = std::trunc(value.asDouble());
        // JSON has no NaN or infinities, but a value made in code might.
        if (!(t >= -2147483648.0 && t <= 2147483647.0)) return false;
        out = int32_t(t);
        return true;
    }
    default:
        return false;
    }
}
