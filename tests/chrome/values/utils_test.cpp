#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "test_json.h"
#include "utils.h"

namespace {

const char kPortUtf8[] = "\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82";  // "Порт"
const UnicodeString kPortUtf16 = {0x41F, 0x43E, 0x440, 0x442};

// A record as an add-in hands it over: the buffer on the C heap.
CtVariant pwstr_record(const UnicodeString& text) {
    CtVariant v;
    v.vt = VTYPE_PWSTR;
    v.pwstrVal = static_cast<uint16_t*>(std::malloc((text.size() + 1) * 2));
    std::memcpy(v.pwstrVal, text.c_str(), (text.size() + 1) * 2);
    v.wstrLen = uint32_t(text.size());
    return v;
}

CtVariant pstr_record(const std::string& text) {
    CtVariant v;
    v.vt = VTYPE_PSTR;
    v.pstrVal = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(v.pstrVal, text.c_str(), text.size() + 1);
    v.strLen = uint32_t(text.size());
    return v;
}

}  // namespace

// ---- Texts

TEST(UtilsText, CyrillicIsFourUnitsOneWayAndEightBytesTheOther) {
    UnicodeString wide;
    Utils::UTF8ToWide(kPortUtf8, wide, false);
    EXPECT_EQ(kPortUtf16, wide);
    std::string narrow;
    Utils::wideToUTF8(kPortUtf16, narrow, false);
    EXPECT_EQ(8u, narrow.size());
    EXPECT_EQ(kPortUtf8, narrow);
}

TEST(UtilsText, NonBmpCharacterBecomesASurrogatePairAndBack) {
    UnicodeString wide;
    Utils::UTF8ToWide(std::string("\xF0\x9F\x98\x80"), wide, false);
    EXPECT_EQ(UnicodeString({0xD83D, 0xDE00}), wide);
    std::string narrow;
    Utils::wideToUTF8(wide.c_str(), narrow, false);
    EXPECT_EQ("\xF0\x9F\x98\x80", narrow);
}

TEST(UtilsText, ZeroLengthEmptiesOrLeavesTheTarget) {
    UnicodeString wide = {'x'};
    Utils::UTF8ToWide("abc", 0, wide, true);
    EXPECT_EQ(UnicodeString({'x'}), wide);
    Utils::UTF8ToWide("abc", -3, wide, true);
    EXPECT_EQ(UnicodeString({'x'}), wide);
    Utils::UTF8ToWide("abc", 0, wide, false);
    EXPECT_TRUE(wide.empty());

    std::string narrow = "x";
    Utils::wideToUTF8(kPortUtf16.c_str(), 0, narrow, true);
    EXPECT_EQ("x", narrow);
    Utils::wideToUTF8(kPortUtf16.c_str(), 0, narrow, false);
    EXPECT_EQ("", narrow);
}

TEST(UtilsText, AppendAddsAndLengthBoundsTheText) {
    UnicodeString wide = {'>'};
    Utils::UTF8ToWide(kPortUtf8, 4, wide, true);  // the first two characters
    EXPECT_EQ(UnicodeString({'>', 0x41F, 0x43E}), wide);
    std::string narrow = ">";
    Utils::wideToUTF8(kPortUtf16.c_str(), 1, narrow, true);
    EXPECT_EQ(">\xD0\x9F", narrow);
}

TEST(UtilsText, UnicodeStringGivesNoTrailingZeroByte) {
    std::string narrow;
    Utils::wideToUTF8(UnicodeString({'a', 'b'}), narrow, false);
    EXPECT_EQ(2u, narrow.size());
}

TEST(UtilsText, NullTextsGiveEmptyResults) {
    UnicodeString wide = {'x'};
    Utils::UTF8ToWide(static_cast<const char*>(nullptr), wide, false);
    EXPECT_TRUE(wide.empty());
    std::string narrow = "x";
    Utils::wideToUTF8(static_cast<const UnicodeChar*>(nullptr), narrow, false);
    EXPECT_EQ("", narrow);
    Utils::copyStr(static_cast<const char*>(nullptr), narrow, false);
    EXPECT_EQ("", narrow);
}

TEST(UtilsText, CopyStrReplacesOrAppends) {
    std::string s = "ab";
    Utils::copyStr("cd", s, true);
    EXPECT_EQ("abcd", s);
    Utils::copyStr(std::string("x"), s, false);
    EXPECT_EQ("x", s);
    Utils::copyStr(std::string("y"), s, true);
    EXPECT_EQ("xy", s);
}

TEST(UtilsText, InitVariantPutsValuesIntoJson) {
    CNPVariant v;
    Utils::initVariant(true, v);
    EXPECT_EQ("true", text_of(v));
    Utils::initVariant(-3, v);
    EXPECT_EQ("-3", text_of(v));
    Utils::initVariant(0.5, v);
    EXPECT_EQ("0.5", text_of(v));
    const UnicodeChar text[] = {'a', 'b', 0, 'c'};
    Utils::initVariant(text, 4, v);  // a zero unit ends the text
    EXPECT_EQ("ab", v.asString());
    Utils::initVariant(kPortUtf16, v);
    EXPECT_EQ(kPortUtf8, v.asString());
    CNPVariant source = js("[1]");
    Utils::initVariant(source, v);
    EXPECT_EQ("[1]", text_of(v));
}

// ---- JSON to tVariant

TEST(NPVariantToVariant, ScalarsGetTheirTypes) {
    CtVariant v;
    ASSERT_TRUE(Utils::NPVariantToVariant(js("null"), v));
    EXPECT_EQ(VTYPE_NULL, v.vt);
    ASSERT_TRUE(Utils::NPVariantToVariant(js("5"), v));
    EXPECT_EQ(VTYPE_I4, v.vt);
    EXPECT_EQ(5, v.lVal);
    ASSERT_TRUE(Utils::NPVariantToVariant(js("-2147483648"), v));
    EXPECT_EQ(INT32_MIN, v.lVal);
    ASSERT_TRUE(Utils::NPVariantToVariant(js("5.5"), v));
    EXPECT_EQ(VTYPE_R8, v.vt);
    EXPECT_DOUBLE_EQ(5.5, v.dblVal);
    ASSERT_TRUE(Utils::NPVariantToVariant(js("true"), v));
    EXPECT_EQ(VTYPE_BOOL, v.vt);
    EXPECT_TRUE(v.bVal);
    // Integers beyond 32 bits are reals, as the page's numbers are.
    ASSERT_TRUE(Utils::NPVariantToVariant(js("-3000000000"), v));
    EXPECT_EQ(VTYPE_R8, v.vt);
    EXPECT_DOUBLE_EQ(-3e9, v.dblVal);
}

TEST(NPVariantToVariant, StringBecomesTerminatedUtf16OnTheHeap) {
    CtVariant v;
    ASSERT_TRUE(Utils::NPVariantToVariant(js("\"\xD0\x9F\xF0\x9F\x98\x80\""), v));
    ASSERT_EQ(VTYPE_PWSTR, v.vt);
    EXPECT_EQ(3u, v.wstrLen);
    EXPECT_EQ(UnicodeString({0x41F, 0xD83D, 0xDE00}), UnicodeString(v.pwstrVal, v.wstrLen));
    EXPECT_EQ(0, v.pwstrVal[3]);
    // CtVariant's destructor returns the buffer; the sanitizer build checks it.
}

TEST(NPVariantToVariant, DateObjectBecomesStructTm) {
    CtVariant v;
    ASSERT_TRUE(Utils::NPVariantToVariant(js("{\"date\": {\"year\": 2014, \"month\": 11, \"day\": 18}}"), v));
    ASSERT_EQ(VTYPE_TM, v.vt);
    EXPECT_EQ(114, v.tmVal.tm_year);
    EXPECT_EQ(11, v.tmVal.tm_mon);
    EXPECT_EQ(18, v.tmVal.tm_mday);
    EXPECT_EQ(0, v.tmVal.tm_hour);
    EXPECT_EQ(0, v.tmVal.tm_min);
    EXPECT_EQ(0, v.tmVal.tm_sec);
}

TEST(NPVariantToVariant, RefusedValuesLeaveTheRecordUntouched) {
    for (const char* text : {"4294967295", "2147483648", "[1]", "[]",
                             "{\"date\": \"2014-12-18\"}", "{\"date\": {\"year\": \"2014\"}}",
                             "{\"date\": {\"year\": 1e10}}"}) {
        CtVariant v;
        v.vt = VTYPE_I4;
        v.lVal = 77;
        EXPECT_FALSE(Utils::NPVariantToVariant(js(text), v)) << text;
        EXPECT_EQ(VTYPE_I4, v.vt) << text;
        EXPECT_EQ(77, v.lVal) << text;
    }
}

TEST(NPVariantToVariant, ObjectWithoutDateIsAcceptedAndChangesNothing) {
    CtVariant v;
    v.vt = VTYPE_I4;
    v.lVal = 77;
    EXPECT_TRUE(Utils::NPVariantToVariant(js("{\"x\": 1}"), v));
    EXPECT_EQ(VTYPE_I4, v.vt);
    EXPECT_EQ(77, v.lVal);
}

// ---- tVariant to JSON

TEST(VariantToNPVariant, EachConvertibleTypeGivesItsJson) {
    struct Case {
        CtVariant record;
        const char* json;
    };
    std::vector<Case> cases(11);
    cases[0].record.vt = VTYPE_EMPTY;
    cases[0].json = "null";
    cases[1].record.vt = VTYPE_NULL;
    cases[1].json = "null";
    cases[2].record.vt = VTYPE_I4;
    cases[2].record.lVal = -5;
    cases[2].json = "-5";
    cases[3].record.vt = VTYPE_INT;
    cases[3].record.intVal = 2147483647;
    cases[3].json = "2147483647";
    cases[4].record.vt = VTYPE_UI4;
    cases[4].record.ulVal = 4294967295u;
    cases[4].json = "4294967295";
    cases[5].record.vt = VTYPE_UINT;
    cases[5].record.uintVal = 7;
    cases[5].json = "7";
    cases[6].record.vt = VTYPE_R4;
    cases[6].record.fltVal = 2.5f;
    cases[6].json = "2.5";
    cases[7].record.vt = VTYPE_R8;
    cases[7].record.dblVal = 2.5;
    cases[7].json = "2.5";
    cases[8].record.vt = VTYPE_BOOL;
    cases[8].record.bVal = true;
    cases[8].json = "true";
    cases[9].record = pstr_record("abc");
    cases[9].record.strLen = 2;  // the length counts, not the terminator
    cases[9].json = "\"ab\"";
    cases[10].record.vt = VTYPE_TM;
    cases[10].record.tmVal.tm_year = 114;
    cases[10].record.tmVal.tm_mon = 11;
    cases[10].record.tmVal.tm_mday = 18;
    cases[10].record.tmVal.tm_hour = 10;
    cases[10].record.tmVal.tm_min = 30;
    cases[10].record.tmVal.tm_sec = 5;
    cases[10].json = "{\"date\":{\"day\":18,\"hour\":10,\"minute\":30,\"month\":11,\"second\":5,\"year\":2014}}";
    for (const Case& c : cases) {
        CNPVariant out(12345);
        EXPECT_TRUE(Utils::VariantToNPVariant(c.record, out)) << c.json;
        EXPECT_EQ(c.json, text_of(out));
    }
}

TEST(VariantToNPVariant, Utf16TextIsConvertedWithItsLength) {
    CtVariant v = pwstr_record({0x41F, 0xD83D, 0xDE00, 'x'});
    v.wstrLen = 3;
    CNPVariant out;
    ASSERT_TRUE(Utils::VariantToNPVariant(v, out));
    EXPECT_EQ("\xD0\x9F\xF0\x9F\x98\x80", out.asString());
}

TEST(VariantToNPVariant, NullBuffersGiveEmptyStrings) {
    for (TYPEVAR vt : {TYPEVAR(VTYPE_PSTR), TYPEVAR(VTYPE_PWSTR)}) {
        CtVariant v;
        v.vt = vt;
        v.strLen = 10;  // a length without a buffer must not be read
        CNPVariant out;
        ASSERT_TRUE(Utils::VariantToNPVariant(v, out));
        EXPECT_EQ("\"\"", text_of(out));
    }
}

TEST(VariantToNPVariant, TypesWithoutJsonFormAreRefusedAndLeaveTheValue) {
    const TYPEVAR refused[] = {VTYPE_I2, VTYPE_I1, VTYPE_UI1, VTYPE_UI2, VTYPE_I8, VTYPE_UI8,
                               VTYPE_DATE, VTYPE_ERROR, VTYPE_HRESULT, VTYPE_BLOB,
                               VTYPE_INTERFACE, VTYPE_VARIANT, VTYPE_CLSID,
                               VTYPE_I4 | VTYPE_BYREF, VTYPE_PWSTR | VTYPE_ARRAY,
                               VTYPE_I4 | VTYPE_VECTOR, VTYPE_ILLEGAL};
    for (TYPEVAR vt : refused) {
        tVariant v;
        std::memset(&v, 0, sizeof v);
        v.vt = vt;
        CNPVariant out("kept");
        EXPECT_FALSE(Utils::VariantToNPVariant(v, out)) << vt;
        EXPECT_EQ("kept", out.asString()) << vt;
    }
}

TEST(ValueConversions, RoundTripThroughTVariantKeepsTheJson) {
    for (const char* text : {"null", "5", "-2147483648", "5.5", "true", "false", "\"\"",
                             "\"\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82 \xF0\x9F\x98\x80\"",
                             "{\"date\":{\"day\":18,\"hour\":0,\"minute\":0,\"month\":11,\"second\":0,\"year\":2014}}"}) {
        CtVariant v;
        ASSERT_TRUE(Utils::NPVariantToVariant(js(text), v)) << text;
        CNPVariant back;
        ASSERT_TRUE(Utils::VariantToNPVariant(v, back)) << text;
        EXPECT_EQ(text_of(js(text)), text_of(back));
    }
}

// ---- Arrays

TEST(ParameterArrays, ExtraElementsAreIgnoredAndExtraRecordsKept) {
    CJSArray params(js("[1, \"two\", 3]"));
    std::vector<CtVariant> records(2);
    Utils::jsArrayTotVariantArray(params, records);
    EXPECT_EQ(VTYPE_I4, records[0].vt);
    EXPECT_EQ(1, records[0].lVal);
    EXPECT_EQ(VTYPE_PWSTR, records[1].vt);

    std::vector<CtVariant> more(3);
    more[2].vt = VTYPE_BOOL;
    more[2].bVal = true;
    CJSArray one(js("[7]"));
    Utils::jsArrayTotVariantArray(one, more);
    EXPECT_EQ(7, more[0].lVal);
    EXPECT_EQ(VTYPE_EMPTY, more[1].vt);
    EXPECT_EQ(VTYPE_BOOL, more[2].vt);
}

TEST(ParameterArrays, ConvertedElementReplacesAndReleasesTheOldValue) {
    std::vector<CtVariant> records;
    records.push_back(pwstr_record({'d', 'e', 'f'}));  // a default value from the add-in
    records.push_back(pstr_record("default"));
    records.push_back(pwstr_record({'k'}));
    CJSArray params(js("[\"x\", 2, [3]]"));
    Utils::jsArrayTotVariantArray(params, records);
    EXPECT_EQ(UnicodeString({'x'}), UnicodeString(records[0].pwstrVal, records[0].wstrLen));
    EXPECT_EQ(VTYPE_I4, records[1].vt);
    // The refused array leaves the default in place.
    ASSERT_EQ(VTYPE_PWSTR, records[2].vt);
    EXPECT_EQ(UnicodeString({'k'}), UnicodeString(records[2].pwstrVal, records[2].wstrLen));
    // Leaks or double frees are reported by the sanitizer build.
}

TEST(ParameterArrays, ObjectIsNoParameterList) {
    CJSArray params(js("{\"a\": 1}"));
    std::vector<CtVariant> records(1);
    Utils::jsArrayTotVariantArray(params, records);
    EXPECT_EQ(VTYPE_EMPTY, records[0].vt);
}

TEST(ParameterArrays, RecordsBecomeElementsAndUnconvertibleOnesNull) {
    std::vector<CtVariant> records(3);
    records[0].vt = VTYPE_I4;
    records[0].lVal = 4;
    records[1].vt = VTYPE_I2;
    records[1].shortVal = 9;
    records[2] = pwstr_record(kPortUtf16);
    CJSArray out;
    Utils::tVariantArrayTojsArray(records, out);
    EXPECT_EQ("[4,null,\"\\u041f\\u043e\\u0440\\u0442\"]", text_of(out));
}

// ---- CtVariant and CheckAlloc

TEST(CtVariant, StartsEmptyAndZeroFilled) {
    CtVariant v;
    EXPECT_EQ(VTYPE_EMPTY, v.vt);
    EXPECT_EQ(0u, v.ullVal);
    EXPECT_EQ(0u, v.cbElements);
}

TEST(CtVariant, CopiesOwnTheirBuffersSoVectorsCanGrow) {
    std::vector<CtVariant> records;
    for (int i = 0; i < 50; ++i) records.push_back(pwstr_record({uint16_t('a' + i % 26)}));
    std::vector<CtVariant> copy = records;
    records.clear();
    ASSERT_EQ(50u, copy.size());
    EXPECT_EQ(UnicodeString({'z'}), UnicodeString(copy[25].pwstrVal, copy[25].wstrLen));
    CtVariant assigned;
    assigned = copy[1];
    EXPECT_NE(copy[1].pwstrVal, assigned.pwstrVal);
    EXPECT_EQ('b', assigned.pwstrVal[0]);
    CtVariant blob = pstr_record("xyz");
    blob.vt = VTYPE_BLOB;
    CtVariant blobCopy(blob);
    EXPECT_EQ(0, std::memcmp("xyz", blobCopy.pstrVal, 3));
}

TEST(CtVariant, ClearReleasesAndIsSafeTwice) {
    CtVariant inner = pstr_record("inner");
    CtVariant outer;
    outer.vt = VTYPE_VARIANT;
    outer.pvarVal = &inner;
    CtVariant::clear(&outer);  // clears the record pointed to
    EXPECT_EQ(nullptr, inner.pstrVal);
    EXPECT_EQ(VTYPE_PSTR, inner.vt);  // vt stays
    CtVariant self;
    self.vt = VTYPE_VARIANT;
    self.pvarVal = &self;  // a record pointing at itself does not loop
    CtVariant::clear(&self);
}

TEST(CheckAlloc, NullThrowsBadAllocOtherwisePassesThrough) {
    EXPECT_THROW(CheckAlloc(static_cast<char*>(nullptr)), std::bad_alloc);
    unsigned int x = 0;
    EXPECT_EQ(&x, CheckAlloc(&x));
}
