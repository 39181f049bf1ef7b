// Conversions between OLE variants and the host's JSON values (Windows build, under Wine).

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "../values/test_json.h"
#include "utils.h"

namespace {

// A VARIANT that is cleared when it goes.
struct Variant {
    Variant() { ::VariantInit(&v); }
    ~Variant() { ::VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT v;
};

// A one-dimensional safe array of VARIANTs with lower bound 0, destroyed when it goes.
struct SafeArray {
    explicit SafeArray(ULONG n) { array = ::SafeArrayCreateVector(VT_VARIANT, 0, n); }
    ~SafeArray() { ::SafeArrayDestroy(array); }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    SAFEARRAY* array;
};

std::string json_of(const VARIANT& v) {
    CNPVariant out(std::string("untouched"));
    if (!Utils::VariantToNPVariant(v, out)) return "refused";
    return text_of(out);
}

}  // namespace

TEST(OleToJson, EachKindBecomesItsJsonValueOrIsRefused) {
    struct Case {
        VARTYPE vt;
        void (*fill)(VARIANT&);
        const char* json;
    };
    const Case cases[] = {
        {VT_EMPTY, [](VARIANT&) {}, "null"},
        {VT_NULL, [](VARIANT&) {}, "null"},
        {VT_I4, [](VARIANT& v) { v.lVal = -7; }, "-7"},
        {VT_R8, [](VARIANT& v) { v.dblVal = 2.5; }, "2.5"},
        {VT_R4, [](VARIANT& v) { v.fltVal = 0.25f; }, "0.25"},
        {VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }, "true"},
        {VT_BOOL, [](VARIANT& v) { v.boolVal = 1; }, "true"},
        {VT_BOOL, [](VARIANT& v) { v.boolVal = 0; }, "false"},
        // Each number is read from its own member, whatever the rest of the record holds.
        {VT_I1, [](VARIANT& v) { v.llVal = 0x11223344556677FFll; }, "-1"},
        {VT_UI4, [](VARIANT& v) { v.ulVal = 3000000000u; }, "3000000000"},
        {VT_I8, [](VARIANT& v) { v.llVal = -5000000000ll; }, "-5000000000"},
        {VT_I2, [](VARIANT& v) { v.iVal = 5; }, "refused"},
        {VT_DATE, [](VARIANT& v) { v.date = 40000.5; }, "refused"},
        {VT_UNKNOWN, [](VARIANT& v) { v.punkVal = nullptr; }, "refused"},
        {VT_BYREF | VT_I4, [](VARIANT& v) { v.plVal = nullptr; }, "refused"},
    };
    for (const Case& c : cases) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = c.vt;
        c.fill(v);
        EXPECT_EQ(c.json, json_of(v)) << "vt " << c.vt;
    }
}

TEST(OleToJson, BstrBecomesUtf8TextOfAllItsUnits) {
    Variant v;
    const wchar_t text[] = L"\x041F\x043E\x0440\x0442 \xD83D\xDE00";
    v.v.vt = VT_BSTR;
    v.v.bstrVal = ::SysAllocString(text);
    CNPVariant out;
    ASSERT_TRUE(Utils::VariantToNPVariant(v.v, out));
    EXPECT_EQ("\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82 \xF0\x9F\x98\x80", out.asString());
    Variant empty;
    empty.v.vt = VT_BSTR;
    empty.v.bstrVal = nullptr;  // a null BSTR is the empty text
    EXPECT_EQ("\"\"", json_of(empty.v));
}

TEST(OleToJson, ReferenceToAVariantIsFollowed) {
    Variant target;
    target.v.vt = VT_BSTR;
    target.v.bstrVal = ::SysAllocString(L"abc");
    VARIANT ref;
    ::VariantInit(&ref);
    ref.vt = VT_BYREF | VT_VARIANT;
    ref.pvarVal = &target.v;
    EXPECT_EQ("\"abc\"", json_of(ref));
    // A reference that refers to itself ends, refused.
    VARIANT loop;
    ::VariantInit(&loop);
    loop.vt = VT_BYREF | VT_VARIANT;
    loop.pvarVal = &loop;
    EXPECT_EQ("refused", json_of(loop));
}

TEST(JsonToOle, StringBecomesABstrOfExactlyItsUnits) {
    Variant v;
    ASSERT_TRUE(Utils::NPVariantToVariant(js("\"\\u041f\\u043e\\u0440\\u0442\""), v.v));
    ASSERT_EQ(VT_BSTR, v.v.vt);
    EXPECT_EQ(4u, ::SysStringLen(v.v.bstrVal));
    EXPECT_EQ(std::wstring(L"\x041F\x043E\x0440\x0442"), std::wstring(v.v.bstrVal, 4));
    // A previous BSTR in the target is released, not leaked or kept.
    ASSERT_TRUE(Utils::NPVariantToVariant(js("\"\\ud83d\\ude00\""), v.v));
    EXPECT_EQ(2u, ::SysStringLen(v.v.bstrVal));
}

TEST(JsonToOle, ScalarsTakeTheirKindsAndTheRestIsRefused) {
    struct Case {
        const char* json;
        bool converted;
        VARTYPE vt;
    };
    const Case cases[] = {{"null", true, VT_NULL},    {"5", true, VT_I4},
                          {"-2147483648", true, VT_I4}, {"2.5", true, VT_R8},
                          {"true", true, VT_BOOL},    {"false", true, VT_BOOL},
                          {"2147483648", false, VT_ERROR}, {"[1]", false, VT_ERROR},
                          {"{\"a\":1}", false, VT_ERROR}};
    for (const Case& c : cases) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_ERROR;  // a marker: a refused value leaves the target as it was
        EXPECT_EQ(c.converted, Utils::NPVariantToVariant(js(c.json), v)) << c.json;
        EXPECT_EQ(c.vt, v.vt) << c.json;
        ::VariantClear(&v);
    }
    VARIANT b;
    ::VariantInit(&b);
    Utils::NPVariantToVariant(js("true"), b);
    EXPECT_EQ(1, b.boolVal) << "true is written as 1, not VARIANT_TRUE";
    Utils::NPVariantToVariant(js("2.5"), b);
    EXPECT_EQ(2.5, b.dblVal);
}

TEST(SafeArrays, CopiesAsManyElementsAsBothHold) {
    {
        SafeArray target(5);
        for (LONG i = 0; i < 5; ++i) {
            VARIANT marker;
            ::VariantInit(&marker);
            marker.vt = VT_I4;
            marker.lVal = 100 + i;
            ::SafeArrayPutElement(target.array, &i, &marker);
        }
        Utils::jsArrayToSafeArray(js("[1,\"two\",[3]]"), target.array);
        CNPVariant back = CJSArray();
        Utils::SafeArrayTojsArray(target.array, back);
        // The array element has no OLE form: it stays empty, and comes back as null.
        EXPECT_EQ("[1,\"two\",null,103,104]", text_of(back));
    }
    {
        SafeArray target(3);
        Utils::jsArrayToSafeArray(js("[1,2,3,4,5]"), target.array);
        CNPVariant back = CJSArray();
        Utils::SafeArrayTojsArray(target.array, back);
        EXPECT_EQ("[1,2,3]", text_of(back));
    }
}

TEST(SafeArrays, EveryElementIsAppendedAndRefusedKindsAreNull) {
    SafeArray source(20);
    LONG seven = 7;
    VARIANT shortValue;
    ::VariantInit(&shortValue);
    shortValue.vt = VT_I2;
    shortValue.iVal = 3;
    ::SafeArrayPutElement(source.array, &seven, &shortValue);
    CNPVariant array = CJSArray();
    array.append(JsValue("before"));
    Utils::SafeArrayTojsArray(source.array, array);
    ASSERT_EQ(21u, array.size());
    EXPECT_EQ("before", array[0u].asString());
    EXPECT_TRUE(array[8u].isNull());
}

TEST(ProgIds, AreTheClassNameAfterAddInDot) {
    const UnicodeString name = {'S', 'c', 'a', 'n', 'd', 'o', 'r'};
    const UnicodeString expected = {'A', 'd', 'd', 'I', 'n', '.', 'S', 'c', 'a', 'n', 'd', 'o', 'r'};
    EXPECT_EQ(expected, makeProgId(name));
}
