#include <gtest/gtest.h>

#include <string>

#include "arguments.h"
#include "test_json.h"

// ---- JSON type tests

struct TypeTestCase {
    const char* text;
    bool object, array, empty, number;
};

class JsonTypeTests : public testing::TestWithParam<TypeTestCase> {};

TEST_P(JsonTypeTests, ClassifyAsTheCheckersNeed) {
    const CNPVariant v = js(GetParam().text);
    EXPECT_EQ(GetParam().object, js_counts_as_object(v)) << GetParam().text;
    EXPECT_EQ(GetParam().array, js_counts_as_array(v)) << GetParam().text;
    EXPECT_EQ(GetParam().empty, js_is_empty(v)) << GetParam().text;
    EXPECT_EQ(GetParam().number, js_counts_as_number(v)) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonTypeTests,
    testing::Values(TypeTestCase{"null", true, true, true, false},
                    TypeTestCase{"{}", true, false, true, false},
                    TypeTestCase{"{\"a\": null}", true, false, false, false},
                    TypeTestCase{"[]", false, true, true, false},
                    TypeTestCase{"[null]", false, true, false, false},
                    TypeTestCase{"\"\"", false, false, false, false},
                    TypeTestCase{"0", false, false, false, true},
                    TypeTestCase{"4294967295", false, false, false, true},
                    TypeTestCase{"1e40", false, false, false, true},
                    TypeTestCase{"false", false, false, false, true}));

TEST(JsonTypeTests, MemberIsPresentEvenWhenNull) {
    EXPECT_TRUE(js_has_member(js("{\"a\": null}"), "a"));
    EXPECT_FALSE(js_has_member(js("{\"a\": null}"), "A"));
    EXPECT_FALSE(js_has_member(js("null"), "a"));
    EXPECT_FALSE(js_has_member(js("[1]"), "0"));
}

TEST(JsonTypeTests, NegativeOrTooLargePositionsAreNeverValid) {
    const CNPVariant a = js("[1, 2]");
    EXPECT_TRUE(js_valid_index(a, 1));
    EXPECT_FALSE(js_valid_index(a, 2));
    EXPECT_FALSE(js_valid_index(a, -1));
    EXPECT_FALSE(js_valid_index(js("null"), 0));
    EXPECT_FALSE(js_valid_index(js("{\"0\": 1}"), 0));
}

// ---- StringArg

TEST(StringArg, ByPositionPassesEmptyTextAndRefusesNumbers) {
    const CNPVariant params = js("[\"\", 5]");
    StringArg s0, s1, s2, sm;
    s0.init(params, 0);
    EXPECT_TRUE(s0.passed());
    EXPECT_TRUE(s0->empty());
    try {
        s1.init(params, 1);
        FAIL() << "a number was taken as a text";
    } catch (const invalid_args& e) {
        EXPECT_STREQ("Invalid arguments", e.what());
        EXPECT_TRUE(s1.passed());
    }
    s2.init(params, 2);
    EXPECT_FALSE(s2.passed());
    sm.init(params, -1);
    EXPECT_FALSE(sm.passed());
}

TEST(StringArg, NullElementIsNotPassed) {
    StringArg s;
    s.init(js("[null, \"x\"]"), 0);
    EXPECT_FALSE(s.passed());
}

TEST(StringArg, ByNameEmptyContainersAreNotPassedAndNumbersRefused) {
    StringArg a, o, n;
    a.init(js("{\"method\": []}"), "method");
    EXPECT_FALSE(a.passed());
    o.init(js("{\"method\": {}}"), "method");
    EXPECT_FALSE(o.passed());
    EXPECT_THROW(n.init(js("{\"method\": 5}"), "method"), invalid_args);
}

TEST(StringArg, NonAsciiTextHasBothForms) {
    StringArg s;
    s.init(js("{\"property\": \"\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82\xF0\x9F\x98\x80\"}"), "property");
    ASSERT_TRUE(s.passed());
    EXPECT_EQ(UnicodeString({0x41F, 0x43E, 0x440, 0x442, 0xD83D, 0xDE00}), s.get());
    EXPECT_EQ("\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82\xF0\x9F\x98\x80", s.getstd());
}

TEST(StringArg, MissingArgumentLeavesThePreviousValue) {
    StringArg s;
    s.init(js("[\"first\"]"), 0);
    s.init(js("[]"), 0);
    EXPECT_FALSE(s.passed());
    EXPECT_EQ("first", s.getstd());
}

// ---- Any checker on the wrong container

TEST(Checkers, ByNameOnNullAndByPositionOnObjectAreNotPassed) {
    const CNPVariant null = js("null");
    const CNPVariant object = js("{\"0\": \"x\"}");
    StringArg s;
    IntArg i;
    DoubleArg d;
    BoolArg b;
    VariantArg v;
    ArrayArg a;
    s.init(null, "x");
    i.init(null, "x");
    d.init(null, "x");
    b.init(null, "x");
    v.init(null, "x");
    a.init(null, "x");
    EXPECT_FALSE(s.passed() || i.passed() || d.passed() || b.passed() || v.passed() || a.passed());
    s.init(object, 0);
    i.init(object, 0);
    d.init(object, 0);
    b.init(object, 0);
    v.init(object, 0);
    a.init(object, 0);
    EXPECT_FALSE(s.passed() || i.passed() || d.passed() || b.passed() || v.passed() || a.passed());
}

// ---- VariantArg

TEST(VariantArg, EmptyValuesAreNotPassedFalsyScalarsAre) {
    for (const char* text : {"[1, null]", "[1, []]", "[1, {}]"}) {
        VariantArg v;
        v.init(js(text), 1);
        EXPECT_FALSE(v.passed()) << text;
    }
    for (const char* text : {"[1, 0]", "[1, false]", "[1, \"\"]"}) {
        VariantArg v;
        v.init(js(text), 1);
        ASSERT_TRUE(v.passed()) << text;
        EXPECT_EQ(text_of(js(text)[1]), text_of(v.get())) << text;
    }
    VariantArg byName;
    byName.init(js("{\"value\": {\"date\": {\"year\": 2014}}}"), "value");
    ASSERT_TRUE(byName.passed());
    EXPECT_EQ("{\"date\":{\"year\":2014}}", text_of(byName.get()));
}

// ---- ArrayArg

TEST(ArrayArg, ByNameNullOrEmptyArrayIsPassedWithoutElements) {
    for (const char* text : {"{\"params\": null}", "{\"params\": []}"}) {
        ArrayArg a;
        a.init(js(text), "params");
        EXPECT_TRUE(a.passed()) << text;
        EXPECT_EQ(0u, a.get().size()) << text;
        EXPECT_TRUE(a.get().isNull()) << text;  // a fresh checker's value stays null
    }
}

TEST(ArrayArg, ByNameCopiesTheElementsAndRefusesNonArrays) {
    ArrayArg a;
    a.init(js("{\"params\": [1, \"x\", null]}"), "params");
    ASSERT_TRUE(a.passed());
    const JsValue& asValue = a;
    EXPECT_EQ("[1,\"x\",null]", text_of(asValue));
    for (const char* text : {"{\"params\": \"x\"}", "{\"params\": {\"a\": 1}}", "{\"params\": 0}"})
        EXPECT_THROW(ArrayArg().init(js(text), "params"), invalid_args) << text;
    ArrayArg absent;
    absent.init(js("{\"method\": \"x\"}"), "params");
    EXPECT_FALSE(absent.passed());
}

TEST(ArrayArg, ByPositionTakesAnyValidPosition) {
    const CNPVariant params = js("[null, [1, 2], 5]");
    ArrayArg a0, a1, a3;
    a0.init(params, 0);
    EXPECT_TRUE(a0.passed());
    a1.init(params, 1);
    ASSERT_TRUE(a1.passed());
    CNPVariant& asVariant = a1;
    EXPECT_EQ("[1,2]", text_of(asVariant));
    EXPECT_THROW(ArrayArg().init(params, 2), invalid_args);
    a3.init(params, 3);
    EXPECT_FALSE(a3.passed());
}

// ---- Numbers and booleans

struct IntCase {
    const char* text;
    int expected;
};

class IntArgConversion : public testing::TestWithParam<IntCase> {};

TEST_P(IntArgConversion, StoresTheCutValue) {
    IntArg i;
    i.init(js(GetParam().text), 0);
    ASSERT_TRUE(i.passed()) << GetParam().text;
    EXPECT_EQ(GetParam().expected, int(i)) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, IntArgConversion,
                         testing::Values(IntCase{"[2.9]", 2}, IntCase{"[-2.9]", -2},
                                         IntCase{"[true]", 1}, IntCase{"[false]", 0},
                                         IntCase{"[0]", 0}, IntCase{"[-2147483648]", INT32_MIN},
                                         IntCase{"[2147483647.99]", INT32_MAX}));

TEST(IntArg, OutOfRangeAndNonNumbersAreInvalidArguments) {
    for (const char* text : {"[3000000000]", "[-2147483649]", "[1e20]", "[-1e20]", "[\"5\"]",
                             "[[1]]", "[{\"a\": 1}]"}) {
        IntArg i;
        EXPECT_THROW(i.init(js(text), 0), invalid_args) << text;
    }
}

TEST(DoubleArg, KeepsRealsAndTakesIntegersAndBooleans) {
    const CNPVariant params = js("[2.5, -7, true, 3000000000, \"2.5\"]");
    DoubleArg d;
    d.init(params, 0);
    EXPECT_DOUBLE_EQ(2.5, double(d));
    d.init(params, 1);
    EXPECT_DOUBLE_EQ(-7.0, double(d));
    d.init(params, 2);
    EXPECT_DOUBLE_EQ(1.0, double(d));
    d.init(params, 3);
    EXPECT_DOUBLE_EQ(3e9, double(d));
    EXPECT_THROW(d.init(params, 4), invalid_args);
}

TEST(BoolArg, TakesBooleansOnly) {
    BoolArg b;
    b.init(js("{\"flag\": false}"), "flag");
    ASSERT_TRUE(b.passed());
    EXPECT_FALSE(bool(b));
    b.init(js("[true]"), 0);
    EXPECT_TRUE(bool(b));
    EXPECT_THROW(b.init(js("[1]"), 0), invalid_args);
    EXPECT_THROW(b.init(js("[\"true\"]"), 0), invalid_args);
}
