#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "date.h"
#include "js_value.h"

namespace {

tm make_tm(int year, int mon, int mday, int hour, int min, int sec) {
    tm t;
    std::memset(&t, 0, sizeof t);
    t.tm_year = year;
    t.tm_mon = mon;
    t.tm_mday = mday;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    return t;
}

JsValue parse(const char* text) {
    JsValue v;
    EXPECT_TRUE(json_read(text, std::strlen(text), v)) << text;
    return v;
}

}  // namespace

TEST(Date, JsonFormOfStructTmKeepsTheMonthZeroBased) {
    Date d(make_tm(114, 11, 18, 10, 30, 5));
    EXPECT_EQ("{\"date\":{\"day\":18,\"hour\":10,\"minute\":30,\"month\":11,\"second\":5,"
              "\"year\":2014}}\n",
              json_write(d.toJson()));
}

TEST(Date, StructTmIgnoresWeekdayYearDayAndDst) {
    tm t = make_tm(100, 0, 1, 0, 0, 0);
    t.tm_wday = 6;
    t.tm_yday = 200;
    t.tm_isdst = 1;
    const tm back = Date(t).to_struct_tm();
    EXPECT_EQ(0, back.tm_wday);
    EXPECT_EQ(0, back.tm_yday);
    EXPECT_EQ(0, back.tm_isdst);
    EXPECT_EQ(100, back.tm_year);
}

TEST(Date, FromJsonWithYearOnlyLeavesOtherFieldsZero) {
    const Date d = Date::fromJSON(parse("{\"year\": 2014}"));
    EXPECT_EQ(2014, d._year);
    EXPECT_EQ(0, d._month);
    EXPECT_EQ(0, d._day);
    const tm t = d.to_struct_tm();
    EXPECT_EQ(114, t.tm_year);
    EXPECT_EQ(0, t.tm_mon);
    EXPECT_EQ(0, t.tm_mday);
}

TEST(Date, FromJsonWithoutKeysGivesYearMinus1900InStructTm) {
    const Date d = Date::fromJSON(parse("{\"other\": 1}"));
    EXPECT_EQ(-1900, d.to_struct_tm().tm_year);
    EXPECT_EQ(0, Date::fromJSON(JsValue())._year);
}

TEST(Date, FromJsonThenToJsonReproducesAnyRange) {
    const char* text =
        "{\"day\":-7,\"hour\":99,\"minute\":-2147483648,\"month\":12,\"second\":2147483647,"
        "\"year\":-5}";
    const JsValue inner = parse(text);
    JsValue expected(Json::objectValue);
    expected["date"] = inner;
    EXPECT_EQ(json_write(expected), json_write(Date::fromJSON(inner).toJson()));
}

TEST(Date, FromJsonCutsRealsTowardZeroAndReadsBooleans) {
    const Date d = Date::fromJSON(parse("{\"year\": 2014.9, \"month\": -1.5, \"day\": true}"));
    EXPECT_EQ(2014, d._year);
    EXPECT_EQ(-1, d._month);
    EXPECT_EQ(1, d._day);
}

TEST(Date, FromJsonRefusesNonNumbersOutOfRangeAndNonObjects) {
    const char* bad[] = {"{\"year\": \"2014\"}", "{\"year\": [1]}", "{\"day\": {}}",
                         "{\"year\": 2147483648}", "{\"year\": -2147483649}",
                         "{\"year\": 1e300}", "5", "\"x\"", "[2014]"};
    for (const char* text : bad)
        EXPECT_THROW(Date::fromJSON(parse(text)), std::invalid_argument) << text;
}

TEST(Date, DateValueAndCreateCopyAllSixFields) {
    const DateValue v = {2024, 1, 29, 23, 59, 58};
    std::unique_ptr<Date> d(Date::create(v));
    const DateValue back = d->value();
    EXPECT_EQ(0, std::memcmp(&v, &back, sizeof v));
    const Date e(v);
    EXPECT_EQ(59, e._minute);
    EXPECT_EQ(58, e._second);
}

TEST(Date, ExtremeYearsSaturateInsteadOfOverflowing) {
    EXPECT_EQ(INT_MAX, Date(make_tm(INT_MAX, 0, 1, 0, 0, 0))._year);
    const DateValue v = {INT_MIN, 0, 1, 0, 0, 0};
    EXPECT_EQ(INT_MIN, Date(v).to_struct_tm().tm_year);
}
