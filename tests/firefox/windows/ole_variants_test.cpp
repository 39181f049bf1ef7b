// The Windows build's OLE conversions, directly (its COM adapter will call them): page values
// and JSON texts to VARIANTs, an add-in's VARIANTs to page values, and OLE dates as calendar
// fields. Runs under Wine with the test browser's variant class and Wine's OLE Automation.

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "addin_exception.h"
#include "json_tvariant.h"
#include "nsComponentManagerUtils.h"
#include "ole_variants.h"
#include "utf16_text.h"
#include "value_depth.h"
#include "xpcom_runtime/test_browser.h"

namespace {

class OleVariants : public ::testing::Test {
protected:
    OleVariants() { ::VariantInit(&m_out); }
    ~OleVariants() override { ole_value_clear(&m_out); }

    nsCOMPtr<nsIWritableVariant> variant(const std::function<void(nsIWritableVariant&)>& fill) {
        nsCOMPtr<nsIWritableVariant> v = do_CreateInstance(NS_VARIANT_CONTRACTID);
        if (v) fill(*v);
        return v;
    }
    nsCOMPtr<nsIWritableVariant> wide(const char16_t* text) {
        return variant([&](nsIWritableVariant& v) { v.SetAsWString(text); });
    }
    // The element at `index` of the array that `holder` (m_out by default) holds, in place.
    const VARIANT& element(LONG index, const VARIANT* holder = nullptr) {
        static VARIANT none;  // VT_EMPTY
        if (holder == nullptr) holder = &m_out;
        EXPECT_EQ(VT_ARRAY, holder->vt);
        VARIANT* slot = nullptr;
        if (holder->vt != VT_ARRAY ||
            FAILED(::SafeArrayPtrOfIndex(holder->parray, &index, reinterpret_cast<void**>(&slot)))) {
            return none;
        }
        return *slot;
    }
    LONG elements() {
        LONG upper = -1;
        if (m_out.vt == VT_ARRAY) ::SafeArrayGetUBound(m_out.parray, 1, &upper);
        return upper + 1;
    }
    static std::u16string text(const VARIANT& value) {
        if (value.vt != VT_BSTR) return u"<not a BSTR>";
        return std::u16string(reinterpret_cast<const char16_t*>(value.bstrVal),
                              ::SysStringLen(value.bstrVal));
    }

    xpcom_runtime::TestBrowser m_browser;
    VARIANT m_out;
};

TEST_F(OleVariants, PageNumbersAndBooleansBecomeTheirOleKinds) {
    struct Case {
        const char* name;
        std::function<void(nsIWritableVariant&)> fill;
        VARTYPE vt;
        LONGLONG bits;  // the value's bits as the VARIANT holds them (numbers, booleans)
    };
    const Case cases[] = {
        {"int8", [](nsIWritableVariant& v) { v.SetAsInt8(0xFE); }, VT_I1, -2},
        {"int16", [](nsIWritableVariant& v) { v.SetAsInt16(-300); }, VT_I2, -300},
        {"int32", [](nsIWritableVariant& v) { v.SetAsInt32(-70000); }, VT_I4, -70000},
        {"uint8 200", [](nsIWritableVariant& v) { v.SetAsUint8(200); }, VT_UI1, 200},
        {"char", [](nsIWritableVariant& v) { v.SetAsChar('\xC8'); }, VT_UI1, 200},
        {"uint16, same bits", [](nsIWritableVariant& v) { v.SetAsUint16(0xFFFF); }, VT_I2, -1},
        {"wchar", [](nsIWritableVariant& v) { v.SetAsWChar(u'A'); }, VT_I2, 65},
        {"uint32, same bits", [](nsIWritableVariant& v) { v.SetAsUint32(0xFFFFFFFFu); }, VT_I4, -1},
        {"true", [](nsIWritableVariant& v) { v.SetAsBool(true); }, VT_BOOL, VARIANT_TRUE},
        {"false", [](nsIWritableVariant& v) { v.SetAsBool(false); }, VT_BOOL, VARIANT_FALSE},
    };
    for (const Case& c : cases) {
        VARIANT out;
        ::VariantInit(&out);
        int count = 0;
        ASSERT_EQ(S_OK, nsvariant_to_variant(variant(c.fill), &out, &count)) << c.name;
        EXPECT_EQ(c.vt, out.vt) << c.name;
        EXPECT_EQ(1, count) << c.name;
        LONGLONG bits = 0;
        switch (out.vt) {
            case VT_I1: bits = out.cVal; break;
            case VT_I2: bits = out.iVal; break;
            case VT_I4: bits = out.lVal; break;
            case VT_UI1: bits = out.bVal; break;
            case VT_BOOL: bits = out.boolVal; break;
            default: break;
        }
        EXPECT_EQ(c.bits, bits) << c.name;
    }

    int count = 0;
    ASSERT_EQ(S_OK, nsvariant_to_variant(variant([](nsIWritableVariant& v) { v.SetAsDouble(2.5); }),
                                         &m_out, &count));
    EXPECT_EQ(VT_R8, m_out.vt);
    EXPECT_EQ(2.5, m_out.dblVal);
    ASSERT_EQ(S_OK, nsvariant_to_variant(variant([](nsIWritableVariant& v) { v.SetAsFloat(0.5f); }),
                                         &m_out, &count));
    EXPECT_EQ(VT_R4, m_out.vt);
    EXPECT_EQ(0.5f, m_out.fltVal);
}

TEST_F(OleVariants, AnEmptyPageValueClearsAndKindsWithoutOleFormAreRefused) {
    m_out.vt = VT_I4;
    int count = 7;
    ASSERT_EQ(S_OK, nsvariant_to_variant(variant([](nsIWritableVariant& v) { v.SetAsEmpty(); }),
                                         &m_out, &count));
    EXPECT_EQ(VT_EMPTY, m_out.vt);
    EXPECT_EQ(1, count);

    m_out.vt = VT_I4;
    m_out.lVal = 5;
    EXPECT_EQ(E_INVALIDARG,
              nsvariant_to_variant(variant([](nsIWritableVariant& v) { v.SetAsInt64(1); }),
                                   &m_out, nullptr));
    EXPECT_EQ(E_INVALIDARG,
              nsvariant_to_variant(variant([](nsIWritableVariant& v) { v.SetAsVoid(); }),
                                   &m_out, nullptr));
    EXPECT_EQ(VT_I4, m_out.vt);  // untouched
    EXPECT_EQ(5, m_out.lVal);
    EXPECT_EQ(E_INVALIDARG, nsvariant_to_variant(nullptr, &m_out, nullptr));
    EXPECT_EQ(E_INVALIDARG, nsvariant_to_variant(wide(u"x"), nullptr, nullptr));
}

TEST_F(OleVariants, APageTextHoldingAJsonArrayReachesTheAddInAsAnArray) {
    int count = 0;
    ASSERT_EQ(S_OK, nsvariant_to_variant(wide(u"[1,\"x\",true,2.5]"), &m_out, &count));
    ASSERT_EQ(VT_ARRAY, m_out.vt);  // VT_ARRAY alone
    EXPECT_EQ(4, count);
    ASSERT_EQ(4, elements());
    const VARIANT &first = element(0), &second = element(1), &third = element(2),
                  &fourth = element(3);
    EXPECT_EQ(VT_I4, first.vt);
    EXPECT_EQ(1, first.lVal);
    EXPECT_EQ(u"x", text(second));
    EXPECT_EQ(VT_BOOL, third.vt);
    EXPECT_EQ(VARIANT_TRUE, third.boolVal);
    EXPECT_EQ(VT_R8, fourth.vt);
    EXPECT_EQ(2.5, fourth.dblVal);

    // The narrow text takes the same road.
    ole_value_clear(&m_out);
    count = 0;
    ASSERT_EQ(S_OK, nsvariant_to_variant(
                        variant([](nsIWritableVariant& v) { v.SetAsString("[7]"); }), &m_out,
                        &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ(1, elements());
}

TEST_F(OleVariants, EveryOtherPageTextReachesTheAddInAsABstr) {
    const char16_t* const texts[] = {u"[]", u"plain words", u"{\"a\":1}", u"\u0436\u00e9"};
    for (const char16_t* t : texts) {
        VARIANT out;
        ::VariantInit(&out);
        int count = 0;
        ASSERT_EQ(S_OK, nsvariant_to_variant(wide(t), &out, &count));
        EXPECT_EQ(std::u16string(t), text(out));
        EXPECT_EQ(1, count);
        ::VariantClear(&out);
    }
    // A narrow text: each byte widened to one unit.
    ASSERT_EQ(S_OK, nsvariant_to_variant(
                        variant([](nsIWritableVariant& v) { v.SetAsString("caf\xC3\xA9"); }),
                        &m_out, nullptr));
    EXPECT_EQ(std::u16string(u"caf\u00C3\u00A9"), text(m_out));
}

TEST_F(OleVariants, APageArrayFillsTheLeastSizeAndCountsItsOwnElements) {
    const int32_t numbers[] = {4, 5};
    int count = 5;  // the method takes five parameters
    ASSERT_EQ(S_OK, nsvariant_to_variant(variant([&](nsIWritableVariant& v) {
                                             v.SetAsArray(nsIDataType::VTYPE_INT32, nullptr, 2,
                                                          const_cast<int32_t*>(numbers));
                                         }),
                                         &m_out, &count));
    EXPECT_EQ(2, count);
    ASSERT_EQ(5, elements());
    EXPECT_EQ(4, element(0).lVal);
    EXPECT_EQ(5, element(1).lVal);
    for (LONG i = 2; i < 5; ++i) EXPECT_EQ(VT_EMPTY, element(i).vt) << i;
}

TEST_F(OleVariants, ArraysOfTextsAndOfVariantsConvertElementByElement) {
    const char16_t* wideTexts[] = {u"one", nullptr};
    ASSERT_EQ(S_OK, nsvariant_to_variant(variant([&](nsIWritableVariant& v) {
                                             v.SetAsArray(nsIDataType::VTYPE_WCHAR_STR, nullptr,
                                                          2, wideTexts);
                                         }),
                                         &m_out, nullptr));
    EXPECT_EQ(u"one", text(element(0)));
    EXPECT_EQ(VT_BSTR, element(1).vt);
    EXPECT_EQ(nullptr, element(1).bstrVal);

    // Variants inside: each converted (a text inside an array is not tried as JSON).
    nsCOMPtr<nsIWritableVariant> inner[] = {wide(u"[1]"),
                                            variant([](nsIWritableVariant& v) { v.SetAsBool(true); })};
    nsISupports* items[] = {inner[0], inner[1]};
    ole_value_clear(&m_out);
    const nsIID variantIid = NS_GET_IID(nsIVariant);
    ASSERT_EQ(S_OK, nsvariant_to_variant(variant([&](nsIWritableVariant& v) {
                                             v.SetAsArray(nsIDataType::VTYPE_INTERFACE_IS,
                                                          &variantIid, 2, items);
                                         }),
                                         &m_out, nullptr));
    // A variant element is converted as a whole value: its text holds an array, which the
    // array keeps as an element of its own.
    ASSERT_EQ(VT_ARRAY, element(0).vt);
    EXPECT_EQ(1, element(0, &element(0)).lVal);
    EXPECT_EQ(VT_BOOL, element(1).vt);

    // One element that does not convert ends the whole conversion, out untouched.
    nsCOMPtr<nsIWritableVariant> bad = variant([](nsIWritableVariant& v) { v.SetAsInt64(1); });
    nsISupports* withBad[] = {inner[1], bad};
    VARIANT out;
    ::VariantInit(&out);
    out.vt = VT_I2;
    EXPECT_EQ(E_INVALIDARG, nsvariant_to_variant(variant([&](nsIWritableVariant& v) {
                                                     v.SetAsArray(nsIDataType::VTYPE_INTERFACE_IS,
                                                                  &variantIid, 2, withBad);
                                                 }),
                                                 &out, nullptr));
    EXPECT_EQ(VT_I2, out.vt);
}

std::string nested_arrays(int levels, const char* innermost = "") {
    return std::string(static_cast<size_t>(levels), '[') + innermost +
           std::string(static_cast<size_t>(levels), ']');
}

// Texts nested deeper than the JSON reader goes (1,000 levels) are texts like any other.
TEST_F(OleVariants, APageTextTooDeepForTheReaderReachesTheAddInAsABstr) {
    for (int levels : {1000, 1001}) {
        for (bool objects : {false, true}) {
            std::string deep;
            for (int i = 0; i < levels; ++i) deep += objects ? "{\"a\":" : "[";
            deep += objects ? "{}" : "";
            for (int i = 0; i < levels; ++i) deep += objects ? "}" : "]";
            const std::u16string wideDeep(deep.begin(), deep.end());
            const std::string what = std::to_string(levels) + (objects ? " objects" : " arrays");
            nsCOMPtr<nsIWritableVariant> pageValues[] = {
                wide(wideDeep.c_str()),
                variant([&](nsIWritableVariant& v) { v.SetAsString(deep.c_str()); })};
            for (nsIWritableVariant* pageValue : pageValues) {
                VARIANT out;
                ::VariantInit(&out);
                int count = 3;
                HRESULT hr = E_FAIL;
                EXPECT_NO_THROW(hr = nsvariant_to_variant(pageValue, &out, &count)) << what;
                EXPECT_EQ(S_OK, hr) << what;
                EXPECT_EQ(wideDeep, text(out)) << what;
                EXPECT_EQ(1, count) << what;
                ole_value_clear(&out);
            }
        }
    }
}

// A page value may hold itself: interface values, variant elements of arrays and JSON arrays
// are followed to the common depth, and what lies deeper is not converted.
TEST_F(OleVariants, ValuesInsideValuesAreFollowedToTheCommonDepth) {
    const struct {
        int wrappers;
        HRESULT result;
    } cases[] = {{1, S_OK}, {kMaxValueDepth, S_OK}, {kMaxValueDepth + 1, E_INVALIDARG}};
    for (const auto& c : cases) {
        nsCOMPtr<nsIWritableVariant> value =
            variant([](nsIWritableVariant& v) { v.SetAsInt32(3); });
        for (int i = 0; i < c.wrappers; ++i) {
            nsCOMPtr<nsIWritableVariant> held = value;
            value = variant([&](nsIWritableVariant& v) { v.SetAsISupports(held.get()); });
        }
        VARIANT out;
        ::VariantInit(&out);
        EXPECT_EQ(c.result, nsvariant_to_variant(value, &out, nullptr)) << c.wrappers;
        EXPECT_EQ(c.result == S_OK ? VT_I4 : VT_EMPTY, out.vt) << c.wrappers;
    }

    nsCOMPtr<nsIWritableVariant> self = variant([](nsIWritableVariant&) {});
    self->SetAsISupports(self.get());
    EXPECT_EQ(E_INVALIDARG, nsvariant_to_variant(self, &m_out, nullptr));
    EXPECT_EQ(VT_EMPTY, m_out.vt);
    nsISupports* items[] = {self.get()};
    const nsIID variantIid = NS_GET_IID(nsIVariant);
    self->SetAsArray(nsIDataType::VTYPE_INTERFACE_IS, &variantIid, 1, items);  // holds itself
    EXPECT_EQ(E_INVALIDARG, nsvariant_to_variant(self, &m_out, nullptr));
    EXPECT_EQ(VT_EMPTY, m_out.vt);
    self->SetAsEmpty();  // lets it go

    // A JSON array nested as deep as the limit is an array; one level more, the text itself.
    int count = 0;
    ASSERT_EQ(S_OK, nsvariant_to_variant(wide(utf16_of(nested_arrays(kMaxValueDepth, "1")).c_str()),
                                         &m_out, &count));
    const VARIANT* level = &m_out;
    for (int i = 1; i < kMaxValueDepth; ++i) level = &element(0, level);
    EXPECT_EQ(1, element(0, level).lVal);
    const wcstring deeper = utf16_of(nested_arrays(kMaxValueDepth + 1, "1"));
    VARIANT out;
    ::VariantInit(&out);
    ASSERT_EQ(S_OK, nsvariant_to_variant(wide(deeper.c_str()), &out, &count));
    EXPECT_EQ(deeper, text(out));
    ole_value_clear(&out);
}

TEST_F(OleVariants, JsonValuesBecomeVariantsByTheirKindOrTheirTypeWord) {
    const char* const texts[] = {
        "[null, 7, 4294967295, 0.25, \"\\u0436\", false, {\"type\":\"null\",\"value\":0},"
        " {\"type\":\"int\",\"value\":7}, {\"type\":\"void\",\"value\":1},"
        " {\"type\":\"date\",\"value\":{\"year\":2014,\"month\":11,\"day\":31,"
        "\"hour\":23,\"minute\":59,\"second\":59}}]"};
    int count = 0;
    EXPECT_EQ(10, jsvararray_to_variant(texts[0], &m_out, &count));
    EXPECT_EQ(10, count);
    EXPECT_EQ(VT_EMPTY, element(0).vt);
    EXPECT_EQ(7, element(1).lVal);
    EXPECT_EQ(VT_I4, element(2).vt);
    EXPECT_EQ(-1, element(2).lVal);  // the same 32 bits
    EXPECT_EQ(0.25, element(3).dblVal);
    EXPECT_EQ(u"\u0436", text(element(4)));
    EXPECT_EQ(VARIANT_FALSE, element(5).boolVal);
    EXPECT_EQ(VT_BOOL, element(5).vt);
    EXPECT_EQ(VT_NULL, element(6).vt);
    EXPECT_EQ(VT_I4, element(7).vt);
    EXPECT_EQ(7, element(7).lVal);
    EXPECT_EQ(VT_EMPTY, element(8).vt);
    const VARIANT& date = element(9);
    ASSERT_EQ(VT_DATE, date.vt);
    SYSTEMTIME fields;
    ASSERT_TRUE(::VariantTimeToSystemTime(date.date, &fields));
    EXPECT_EQ(2014, fields.wYear);
    EXPECT_EQ(12, fields.wMonth);
    EXPECT_EQ(31, fields.wDay);
    EXPECT_EQ(23, fields.wHour);
    EXPECT_EQ(59, fields.wSecond);
}

TEST_F(OleVariants, JsonThatIsNoUsableArrayOrObjectRaisesTheConversionError) {
    const char* const texts[] = {"[]", "{}", "null", "7", "[1", "// c\n[1]", "{\"a\":1}"};
    for (const char* t : texts) {
        EXPECT_THROW(jsvararray_to_variant(t, &m_out, nullptr), conversion_error) << t;
    }
    JsValue noValue(Json::objectValue);
    noValue["type"] = "int";
    EXPECT_THROW(json_to_variant(noValue, &m_out, nullptr), conversion_error);
    JsValue typeNotText(Json::objectValue);
    typeNotText["type"] = 1;
    typeNotText["value"] = 1;
    EXPECT_THROW(json_to_variant(typeNotText, &m_out, nullptr), conversion_error);
    EXPECT_EQ(E_INVALIDARG, json_to_variant(JsValue(1), nullptr, nullptr));
}

TEST_F(OleVariants, AnAddInValueReachesThePageAsTheMatchingVariant) {
    struct Case {
        const char* name;
        std::function<void(VARIANT&)> fill;
        uint16_t type;
        double number;
    };
    const Case cases[] = {
        {"i1", [](VARIANT& v) { v.vt = VT_I1; v.cVal = -3; }, nsIDataType::VTYPE_INT8, -3},
        {"i2", [](VARIANT& v) { v.vt = VT_I2; v.iVal = -3; }, nsIDataType::VTYPE_INT16, -3},
        {"i4", [](VARIANT& v) { v.vt = VT_I4; v.lVal = -3; }, nsIDataType::VTYPE_INT32, -3},
        {"ui1", [](VARIANT& v) { v.vt = VT_UI1; v.bVal = 200; }, nsIDataType::VTYPE_UINT8, 200},
        {"ui2", [](VARIANT& v) { v.vt = VT_UI2; v.uiVal = 60000; }, nsIDataType::VTYPE_UINT16, 60000},
        {"ui4", [](VARIANT& v) { v.vt = VT_UI4; v.ulVal = 4000000000u; }, nsIDataType::VTYPE_UINT32,
         4000000000.0},
        {"r4", [](VARIANT& v) { v.vt = VT_R4; v.fltVal = 0.5f; }, nsIDataType::VTYPE_FLOAT, 0.5},
        {"r8", [](VARIANT& v) { v.vt = VT_R8; v.dblVal = 2.5; }, nsIDataType::VTYPE_DOUBLE, 2.5},
        {"true", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = VARIANT_TRUE; },
         nsIDataType::VTYPE_BOOL, 1},
        {"1 is no true", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = 1; }, nsIDataType::VTYPE_BOOL, 0},
        {"empty", [](VARIANT& v) { v.vt = VT_EMPTY; }, nsIDataType::VTYPE_EMPTY, 0},
    };
    for (const Case& c : cases) {
        VARIANT value;
        ::VariantInit(&value);
        c.fill(value);
        nsCOMPtr<nsIWritableVariant> target = variant([](nsIWritableVariant&) {});
        ASSERT_EQ(S_OK, variant_to_nsvariant(&value, target)) << c.name;
        uint16_t type = 0;
        target->GetDataType(&type);
        EXPECT_EQ(c.type, type) << c.name;
        double number = 0;
        if (type != nsIDataType::VTYPE_EMPTY) target->GetAsDouble(&number);
        EXPECT_EQ(c.number, number) << c.name;
    }

    VARIANT textValue;
    textValue.vt = VT_BSTR;
    textValue.bstrVal = ::SysAllocString(L"ab\0cd");
    nsCOMPtr<nsIWritableVariant> target = variant([](nsIWritableVariant&) {});
    ASSERT_EQ(S_OK, variant_to_nsvariant(&textValue, target));
    char16_t* back = nullptr;
    ASSERT_EQ(NS_OK, target->GetAsWString(&back));
    EXPECT_EQ(u"ab", std::u16string(back));
    NS_Free(back);
    ::VariantClear(&textValue);
}

TEST_F(OleVariants, AnAddInValueWithoutPageFormIsRefusedAndTheTargetKept) {
    const VARTYPE refused[] = {VT_NULL, VT_DATE, VT_DISPATCH, VT_ARRAY | VT_VARIANT,
                               VT_BYREF | VT_I4, VT_I8};
    for (VARTYPE vt : refused) {
        VARIANT value;
        ::VariantInit(&value);
        value.vt = vt;
        nsCOMPtr<nsIWritableVariant> target =
            variant([](nsIWritableVariant& v) { v.SetAsInt32(9); });
        EXPECT_EQ(E_INVALIDARG, variant_to_nsvariant(&value, target)) << vt;
        int32_t kept = 0;
        target->GetAsInt32(&kept);
        EXPECT_EQ(9, kept) << vt;
    }
    VARIANT value;
    ::VariantInit(&value);
    EXPECT_EQ(E_INVALIDARG, variant_to_nsvariant(nullptr, variant([](nsIWritableVariant&) {})));
    EXPECT_EQ(E_INVALIDARG, variant_to_nsvariant(&value, nullptr));
}

// The platform splits OLE dates; the week day and day of the year come with them.
TEST(OleDates, TheLastSecondOf2014HasItsWeekDayAndDayOfTheYear) {
    SYSTEMTIME time{};
    time.wYear = 2014;
    time.wMonth = 12;
    time.wDay = 31;
    time.wHour = 23;
    time.wMinute = 59;
    time.wSecond = 59;
    double date = 0;
    ASSERT_TRUE(::SystemTimeToVariantTime(&time, &date));
    tm fields;
    std::memset(&fields, 0, sizeof fields);
    fields.tm_isdst = 1;
    comdate_to_date(date, fields);
    EXPECT_EQ(114, fields.tm_year);
    EXPECT_EQ(11, fields.tm_mon);
    EXPECT_EQ(31, fields.tm_mday);
    EXPECT_EQ(23, fields.tm_hour);
    EXPECT_EQ(59, fields.tm_min);
    EXPECT_EQ(59, fields.tm_sec);
    EXPECT_EQ(3, fields.tm_wday);
    EXPECT_EQ(364, fields.tm_yday);
    EXPECT_EQ(1, fields.tm_isdst);  // not the date's to say

    comdate_to_date(-700000.0, fields);  // before the year 100
    EXPECT_EQ(0, fields.tm_year);
    EXPECT_EQ(0, fields.tm_mday);
}

}  // namespace
