#include "date.h"

#include <climits>
#include <cstring>
#include <stdexcept>

Date::Date() : _year(0), _month(0), _day(0), _hour(0), _minute(0), _second(0) {}

Date::Date(tm t)
    : _year(t.tm_year > INT_MAX - 1900 ? INT_MAX : t.tm_year + 1900),
      _month(t.tm_mon),
      _day(t.tm_mday),
      _hour(t.tm_hour),
      _minute(t.tm_min),
      _second(t.tm_sec) {}

Date::Date(DateValue date) : Date() { init(date); }

void Date::init(const DateValue& date) {
    _year = date.year;
    _month = date.month;
    _day = date.day;
    _hour = date.hour;
    _minute = date.minute;
    _second = date.second;
}

Date* Date::create(const DateValue& date) {
    Date* d = new Date();
    d->init(date);
    return d;
}

tm Date::to_struct_tm() const {
    tm t;
    std::memset(&t, 0, sizeof t);
    t.tm_year = _year < INT_MIN + 1900 ? INT_MIN : _year - 1900;
    t.tm_mon = _month;
    t.tm_mday = _day;
    t.tm_hour = _hour;
    t.tm_min = _minute;
    t.tm_sec = _second;
    return t;
}

JsValue Date::toJson() {
    JsValue inner(Json::objectValue);
    inner["year"] = _year;
    inner["month"] = _month;
    inner["day"] = _day;
    inner["hour"] = _hour;
    inner["minute"] = _minute;
    inner["second"] = _second;
    JsValue result(Json::objectValue);
    result["date"] = inner;
    return result;
}

namespace {

void read_field(const JsValue& val, const char* key, int& field) {
    if (!val.isMember(key)) return;
    const JsValue& member = val[key];
    if (member.isNull()) {
        field = 0;
        return;
    }
    int32_t n;
    if (!js_to_int32(member, n)) throw std::invalid_argument("Date: bad value of a field");
    field = n;
}

}  // namespace

Date Date::fromJSON(JsValue val) {
    Date d;
    if (val.isNull()) return d;
    if (!val.isObject()) throw std::invalid_argument("Date: the date is not an object");
    read_field(val, "year", d._year);
    read_field(val, "month", d._month);
    read_field(val, "day", d._day);
    read_field(val, "hour", d._hour);
    read_field(val, "minute", d._minute);
    read_field(val, "second", d._second);
    return d;
}

DateValue Date::value() const {
    DateValue v = {_year, _month, _day, _hour, _minute, _second};
    return v;
}
