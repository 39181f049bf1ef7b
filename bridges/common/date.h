#pragma once
// The calendar date-and-time value of the bridges: between struct tm (the
// add-in's VTYPE_TM), a plain six-number record and the JSON form
// {"date": {"year", "month", "day", "hour", "minute", "second"}}.
// The month is 0-based everywhere (0 = January), as in struct tm; nothing adds or subtracts 1.

#include <ctime>

#include "json_value.h"

// Value classes with a JSON form of their own. No virtual destructor: nothing is deleted
// through this interface.
class ScriptableObjectBase {
public:
    virtual JsValue toJson() = 0;

protected:
    ~ScriptableObjectBase() {}
};

typedef struct _D {
    int year;
    int month;  // 0-based
    int day;
    int hour;
    int minute;
    int second;
} DateValue;

class Date : public ScriptableObjectBase {
public:
    Date();
    // _year = tm_year + 1900 (held at INT_MAX when that would overflow); the other members
    // of `t` (weekday, day of year, daylight-saving flag, zone) are ignored.
    explicit Date(tm t);
    explicit Date(DateValue date);
    virtual ~Date() {}

    void init(const DateValue& date);
    // A new heap object; the caller owns it.
    static Date* create(const DateValue& date);

    // A zero-filled struct tm with the six fields; tm_year = _year - 1900 (held at INT_MIN
    // when that would overflow). No normalisation.
    tm to_struct_tm() const;
    JsValue toJson() override;

    // `val` is the inner object, the value of "date". Each of the six keys that it has is
    // read as an integer (a real cut toward zero, a boolean 0 or 1, null 0); a missing key
    // leaves its field 0. Throws std::invalid_argument when `val` is neither an object nor
    // null, or a key holds a value that is not a number or lies outside the int range.
    static Date fromJSON(JsValue val);

    DateValue value() const;

    // The fields, in the order that the other bridges' code expects.
    int _year;
    int _month;
    int _day;
    int _hour;
    int _minute;
    int _second;
};
