#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "js_value.h"
#include "test_json.h"

struct KindCase {
    const char* text;
    JsKind kind;
};

class JsKindOfReadNumbers : public testing::TestWithParam<KindCase> {};

TEST_P(JsKindOfReadNumbers, FollowsThe32BitRanges) {
    EXPECT_EQ(GetParam().kind, js_kind(js(GetParam().text))) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsKindOfReadNumbers,
    testing::Values(KindCase{"5", eJsInt}, KindCase{"-2147483648", eJsInt},
                    KindCase{"2147483647", eJsInt}, KindCase{"2147483648", eJsUInt},
                    KindCase{"4294967295", eJsUInt}, KindCase{"4294967296", eJsReal},
                    KindCase{"-2147483649", eJsReal}, KindCase{"99999999999999999999", eJsReal},
                    KindCase{"5.0", eJsReal}, KindCase{"1e2", eJsReal}, KindCase{"true", eJsBool},
                    KindCase{"null", eJsNull}, KindCase{"\"5\"", eJsString},
                    KindCase{"[]", eJsArray}, KindCase{"{}", eJsObject}));

TEST(JsKind, ValuesMadeInCodeAreClassifiedByValue) {
    EXPECT_EQ(eJsInt, js_kind(JsValue(Json::UInt(5))));
    EXPECT_EQ(eJsUInt, js_kind(JsValue(Json::UInt(4000000000u))));
    EXPECT_EQ(eJsReal, js_kind(JsValue(Json::Int64(-3000000000LL))));
    EXPECT_EQ(eJsUInt, js_kind(JsValue(Json::Int64(3000000000LL))));
    EXPECT_EQ(eJsReal, js_kind(JsValue(Json::UInt64(1) << 40)));
}

TEST(CNPVariant, ConstructorsGiveTheirKinds) {
    EXPECT_TRUE(CNPVariant().isNull());
    EXPECT_EQ("true", text_of(CNPVariant(true)));
    EXPECT_EQ("-7", text_of(CNPVariant(-7)));
    EXPECT_EQ("2.5", text_of(CNPVariant(2.5)));
    EXPECT_EQ("\"abc\"", text_of(CNPVariant("abc")));       // a string, not the bool true
    EXPECT_EQ("\"ab\"", text_of(CNPVariant("ab\0cd", 5)));  // up to the zero
    EXPECT_EQ("\"\"", text_of(CNPVariant(static_cast<const char*>(nullptr), 0)));
}

TEST(CNPVariant, NullUtf16PointerGivesEmptyStringNotNull) {
    const CNPVariant v(static_cast<const UnicodeChar*>(nullptr));
    ASSERT_TRUE(v.isString());
    EXPECT_EQ("", v.asString());
}

TEST(CNPVariant, Utf16TextBecomesUtf8) {
    const UnicodeChar text[] = {0x41F, 0xD83D, 0xDE00, 0};
    EXPECT_EQ("\xD0\x9F\xF0\x9F\x98\x80", CNPVariant(text).asString());
    EXPECT_EQ("\xD0\x9F\xF0\x9F\x98\x80", CNPVariant(UnicodeString(text)).asString());
}

TEST(CNPVariant, CopiesAreDeep) {
    CNPVariant a = js("{\"list\": [1, 2]}");
    CNPVariant b(a);
    CNPVariant c(&a);
    CNPVariant d;
    d = a;
    JsValue e;
    a.copy(e);
    CNPVariant f;
    f.init(&a);
    a["list"].append(3);
    for (const JsValue* v : {static_cast<const JsValue*>(&b), static_cast<const JsValue*>(&c),
                             static_cast<const JsValue*>(&d), static_cast<const JsValue*>(&e), static_cast<const JsValue*>(&f)})
        EXPECT_EQ("{\"list\":[1,2]}", text_of(*v));
    EXPECT_TRUE(CNPVariant(static_cast<CNPVariant*>(nullptr)).isNull());
    f.init(static_cast<const JsValue*>(nullptr));
    EXPECT_TRUE(f.isNull());
    a = a;  // self-assignment keeps the value
    EXPECT_EQ("{\"list\":[1,2,3]}", text_of(a));
}

TEST(CNPVariant, ToIntCutsRealsTowardZeroAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(2, js("2.9").toInt());
    EXPECT_EQ(-2, js("-2.9").toInt());
    EXPECT_EQ(INT_MIN, js("-2147483648").toInt());
    EXPECT_EQ(INT_MAX, js("2147483647.5").toInt());
    for (const char* text : {"3000000000", "2147483648.0", "-2147483649.0", "1e300", "true",
                             "\"5\"", "null", "[]", "{}"})
        EXPECT_THROW(js(text).toInt(), conversion_error) << text;
}

TEST(CNPVariant, ToBoolTakesBooleansAndSignedIntegersOnly) {
    EXPECT_FALSE(js("0").toBool());
    EXPECT_TRUE(js("5").toBool());
    EXPECT_TRUE(js("true").toBool());
    EXPECT_FALSE(js("false").toBool());
    for (const char* text : {"1.0", "\"true\"", "3000000000", "null"})
        EXPECT_THROW(js(text).toBool(), conversion_error) << text;
}

TEST(CNPVariant, ToDoubleKeepsTheFraction) {
    EXPECT_DOUBLE_EQ(2.5, js("2.5").toDouble());
    EXPECT_DOUBLE_EQ(-3.0, js("-3").toDouble());
    EXPECT_DOUBLE_EQ(5e9, js("5000000000").toDouble());  // beyond 32 bits: a real
    for (const char* text : {"3000000000", "true", "\"2.5\""})
        EXPECT_THROW(js(text).toDouble(), conversion_error) << text;
}

TEST(CNPVariant, TextConversionsTakeStringsOnly) {
    const CNPVariant v = js("\"\xD0\x9F\xF0\x9F\x98\x80\"");
    EXPECT_EQ("\xD0\x9F\xF0\x9F\x98\x80", v.toString());
    EXPECT_EQ(UnicodeString({0x41F, 0xD83D, 0xDE00}), v.toUnicodeString());
    EXPECT_THROW(js("5").toString(), conversion_error);
    EXPECT_THROW(js("null").toUnicodeString(), conversion_error);
}

namespace {

cls_id g_seenId;
const JsValue* g_seenProperties;
int g_calls;
ScriptableClassBase* const kFound = reinterpret_cast<ScriptableClassBase*>(0x1000);

ScriptableClassBase* fake_lookup(cls_id id, const JsValue* properties) {
    ++g_calls;
    g_seenId = id;
    g_seenProperties = properties;
    return id == 3 ? kFound : nullptr;
}

}  // namespace

TEST(CNPVariant, ToObjectLooksUpClsIdAndPassesArrayProperties) {
    set_object_lookup(nullptr);
    EXPECT_EQ(nullptr, js("{\"cls_id\": 3}").toObject());  // no registry installed
    set_object_lookup(fake_lookup);
    g_calls = 0;
    EXPECT_EQ(nullptr, js("null").toObject());
    EXPECT_EQ(nullptr, js("{\"x\": 1}").toObject());
    EXPECT_EQ(0, g_calls);
    EXPECT_THROW(js("\"obj\"").toObject(), conversion_error);
    EXPECT_THROW(js("{\"cls_id\": \"3\"}").toObject(), conversion_error);

    EXPECT_EQ(kFound, js("{\"cls_id\": 3, \"properties\": [{\"a\": 1}]}").toObject());
    EXPECT_EQ(3u, g_seenId);
    ASSERT_NE(nullptr, g_seenProperties);
    EXPECT_EQ(nullptr, js("{\"cls_id\": 4, \"properties\": {\"a\": 1}}").toObject());
    EXPECT_EQ(nullptr, g_seenProperties);  // an object is not a property list
    set_object_lookup(nullptr);
}

TEST(CJSArray, DefaultIsEmptyArrayAndLengthCountsElementsOrMembers) {
    EXPECT_EQ("[]", text_of(CJSArray()));
    EXPECT_EQ(0, CJSArray().length());
    EXPECT_EQ(0, CJSArray(CNPVariant()).length());
    EXPECT_EQ(0, CJSArray(js("\"abc\"")).length());
    EXPECT_EQ(3, CJSArray(js("[1, null, 3]")).length());
    EXPECT_EQ(2, CJSArray(js("{\"a\": 1, \"b\": 2}")).length());
}

TEST(CJSArray, GetBeyondTheEndOrOnNonArrayGivesNull) {
    const CJSArray a(js("[\"x\", 2]"));
    CNPVariant v(5);
    a.get(0, v);
    EXPECT_EQ("\"x\"", text_of(v));
    a.get(2, v);
    EXPECT_TRUE(v.isNull());
    v = CNPVariant(5);
    a.get(-1, v);
    EXPECT_TRUE(v.isNull());
    v = CNPVariant(5);
    CJSArray(js("{\"0\": 1}")).get(0, v);
    EXPECT_TRUE(v.isNull());
}

TEST(CJSArray, SetAppendsWhateverTheIndex) {
    CJSArray a;
    a.set(5, CNPVariant(1));
    EXPECT_EQ("[1]", text_of(a));
    a.set(0, CNPVariant("two"));
    EXPECT_EQ("[1,\"two\"]", text_of(a));
}

TEST(JsonText, ReaderAllowsCommentsAndAnyTopLevelValue) {
    const std::string text = "// leading\n{\"b\": 1, /* inner */ \"a\": [true]}";
    JsValue v;
    EXPECT_TRUE(json_read(text.data(), text.size(), v));
    EXPECT_EQ("{\"a\":[true],\"b\":1}\n", json_write(v));
    EXPECT_TRUE(json_read("5", 1, v));
    EXPECT_EQ("5\n", json_write(v));
}

TEST(JsonText, FailedParseKeepsWhatWasBuilt) {
    const std::string text = "{\"type\": 2, \"cls_id\": ";
    JsValue v(7);
    EXPECT_FALSE(json_read(text.data(), text.size(), v));
    ASSERT_TRUE(v.isObject());
    EXPECT_EQ(2, v["type"].asInt());
    EXPECT_FALSE(json_read(nullptr, 0, v));
    EXPECT_TRUE(v.isNull());
}

TEST(JsonText, WriterIsCompactSortedAndEndsWithLineFeed) {
    JsValue v(Json::objectValue);
    v["type"] = 1;
    v["retVal"] = true;
    v["b"] = JsValue(Json::arrayValue);
    v["n"] = 5.0;
    EXPECT_EQ("{\"b\":[],\"n\":5.0,\"retVal\":true,\"type\":1}\n", json_write(v));
}

// The output is pure ASCII: every non-ASCII character is escaped (a pair of escapes beyond
// U+FFFF) and bytes that are not UTF-8 become \ufffd, so a message cut at any byte offset
// never splits a character, and the page always receives valid UTF-8.
TEST(JsonText, WriterEscapesEverythingBeyondAscii) {
    JsValue v(Json::arrayValue);
    v.append("\xD0\x9F");
    v.append("\xF0\x9F\x98\x80");
    v.append("\xFF");
    v.append(std::string("\x01\"\\/\n", 5));
    v.append(std::string("a\0b", 3));
    EXPECT_EQ("[\"\\u041f\",\"\\ud83d\\ude00\",\"\\ufffd\",\"\\u0001\\\"\\\\/\\n\",\"a\\u0000b\"]\n",
              json_write(v));
}
