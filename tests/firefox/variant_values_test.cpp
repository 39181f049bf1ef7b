// The conversions between the page's XPCOM variants and tVariant records, in both modes, with
// the test browser's variant class: single values, the page's parameter lists, and what
// happens to the add-in's buffers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "json_tvariant.h"
#include "nsComponentManagerUtils.h"
#include "nsXPCOM.h"
#include "sized_addin_memory.h"
#include "value_depth.h"
#include "variant_tvariant.h"
#include "xpcom_runtime/test_browser.h"

namespace {

class VariantValues : public ::testing::Test {
protected:
    VariantValues() : m_memory(std::malloc, std::free) { g_has_json = false; }
    ~VariantValues() override {
        g_has_json = false;
        EXPECT_EQ(0, m_memory.blocksOut()) << "a buffer was not released";
    }

    nsCOMPtr<nsIWritableVariant> variant(const std::function<void(nsIWritableVariant&)>& fill) {
        nsCOMPtr<nsIWritableVariant> v = do_CreateInstance(NS_VARIANT_CONTRACTID);
        if (v) fill(*v);
        return v;
    }
    tVariant toRecord(nsIVariant* value) {
        tVariant record;
        std::memset(&record, 0, sizeof record);
        value_to_tvariant(*value, record, &m_memory);
        return record;
    }
    std::u16string text(const tVariant& record) {
        return record.vt == VTYPE_PWSTR ? std::u16string(reinterpret_cast<char16_t*>(record.pwstrVal))
                                        : u"<not text>";
    }
    void release(tVariant& record) { tVariantClear(&record, &m_memory); }

    xpcom_runtime::TestBrowser m_browser;
    // As the adapter's: it keeps the size of each block, which the conversions read by.
    SizedAddInMemory m_memory;
};

TEST_F(VariantValues, PageValuesBecomeRecordsOfTheMatchingType) {
    struct Case {
        const char* name;
        std::function<void(nsIWritableVariant&)> fill;
        TYPEVAR vt;
    };
    const Case cases[] = {
        {"int32", [](nsIWritableVariant& v) { v.SetAsInt32(-7); }, VTYPE_I4},
        {"uint64", [](nsIWritableVariant& v) { v.SetAsUint64(1ull << 40); }, VTYPE_I4},
        {"float", [](nsIWritableVariant& v) { v.SetAsFloat(0.5f); }, VTYPE_R8},
        {"bool", [](nsIWritableVariant& v) { v.SetAsBool(true); }, VTYPE_BOOL},
        {"void", [](nsIWritableVariant& v) { v.SetAsVoid(); }, VTYPE_EMPTY},
        {"empty", [](nsIWritableVariant& v) { v.SetAsEmpty(); }, VTYPE_NULL},
        {"char", [](nsIWritableVariant& v) { v.SetAsChar('x'); }, VTYPE_EMPTY},
        {"wide text", [](nsIWritableVariant& v) { v.SetAsWString(u"w\u00e9"); }, VTYPE_PWSTR},
        {"narrow UTF-8 text", [](nsIWritableVariant& v) { v.SetAsString("n\xc3\xa9"); }, VTYPE_PWSTR},
    };
    for (const Case& c : cases) {
        tVariant record = toRecord(variant(c.fill));
        EXPECT_EQ(c.vt, record.vt) << c.name;
        if (c.vt == VTYPE_I4) {
            EXPECT_EQ(std::string(c.name) == "int32" ? -7 : INT32_MAX, record.lVal) << c.name;
        }
        release(record);
    }
    tVariant wide = toRecord(variant([](nsIWritableVariant& v) { v.SetAsString("n\xc3\xa9"); }));
    EXPECT_EQ(u"n\u00e9", text(wide));
    release(wide);
}

TEST_F(VariantValues, AVariantInsideAVariantIsConvertedItself) {
    nsCOMPtr<nsIWritableVariant> inner = variant([](nsIWritableVariant& v) { v.SetAsInt32(3); });
    nsCOMPtr<nsIWritableVariant> outer =
        variant([&](nsIWritableVariant& v) { v.SetAsISupports(inner.get()); });
    tVariant record = toRecord(outer);
    EXPECT_EQ(VTYPE_I4, record.vt);
    EXPECT_EQ(3, record.lVal);
}

// A page value may hold itself: the conversion follows variants inside variants to the common
// depth and leaves what lies deeper empty.
TEST_F(VariantValues, VariantsInsideVariantsAreFollowedToTheCommonDepth) {
    const struct {
        int wrappers;
        TYPEVAR vt;
    } cases[] = {{1, VTYPE_I4}, {kMaxValueDepth, VTYPE_I4}, {kMaxValueDepth + 1, VTYPE_EMPTY}};
    for (const auto& c : cases) {
        nsCOMPtr<nsIWritableVariant> value =
            variant([](nsIWritableVariant& v) { v.SetAsInt32(3); });
        for (int i = 0; i < c.wrappers; ++i) {
            nsCOMPtr<nsIWritableVariant> held = value;
            value = variant([&](nsIWritableVariant& v) { v.SetAsISupports(held.get()); });
        }
        tVariant record = toRecord(value);
        EXPECT_EQ(c.vt, record.vt) << c.wrappers << " wrappers";
    }
    nsCOMPtr<nsIWritableVariant> self = variant([](nsIWritableVariant&) {});
    self->SetAsISupports(self.get());
    tVariant record = toRecord(self);
    EXPECT_EQ(VTYPE_EMPTY, record.vt);
    self->SetAsEmpty();  // lets it go
}

TEST_F(VariantValues, JsonModeTriesTextsAsJsonFirst) {
    g_has_json = true;
    tVariant record = toRecord(variant([](nsIWritableVariant& v) {
        v.SetAsWString(u"{\"type\":\"bool\",\"value\":true}");
    }));
    EXPECT_EQ(VTYPE_BOOL, record.vt);
    EXPECT_TRUE(record.bVal);
    for (const char16_t* kept : {u"{\"a\":1}", u"plain words", u"7"}) {
        record = toRecord(variant([&](nsIWritableVariant& v) { v.SetAsWString(kept); }));
        EXPECT_EQ(kept, text(record));
        release(record);
    }
}

TEST_F(VariantValues, RecordsBecomePageValuesAndTheirBuffersGo) {
    nsCOMPtr<nsIWritableVariant> out = variant([](nsIWritableVariant&) {});
    tVariant record;
    std::memset(&record, 0, sizeof record);
    tvariant_to_value(record, *out, &m_memory);
    uint16_t type = 0;
    out->GetDataType(&type);
    EXPECT_EQ(nsIDataType::VTYPE_VOID, type);
    record.vt = VTYPE_NULL;
    tvariant_to_value(record, *out, &m_memory);
    out->GetDataType(&type);
    EXPECT_EQ(nsIDataType::VTYPE_EMPTY, type);

    record.vt = VTYPE_R4;
    record.fltVal = 1.5f;
    tvariant_to_value(record, *out, &m_memory);
    double number = 0;
    out->GetAsDouble(&number);
    EXPECT_EQ(1.5, number);

    std::memset(&record, 0, sizeof record);
    record.vt = VTYPE_TM;
    record.tmVal.tm_year = 124;
    record.tmVal.tm_mday = 15;
    record.tmVal.tm_wday = 1;
    tvariant_to_value(record, *out, &m_memory);
    char* date = nullptr;
    out->GetAsString(&date);
    EXPECT_STREQ("Mon Jan 15 00:00:00 2024\n", date);
    NS_Free(date);

    set_wide_text(record, reinterpret_cast<const uint16_t*>(u"abc"), 3, &m_memory);
    record.wstrLen = 1000;  // a length past the block is not believed
    tvariant_to_value(record, *out, &m_memory);
    EXPECT_EQ(VTYPE_EMPTY, record.vt);
    char16_t* wide = nullptr;
    out->GetAsWString(&wide);
    EXPECT_EQ(u"abc", std::u16string(wide));
    NS_Free(wide);

    g_has_json = true;
    record.vt = VTYPE_I4;
    record.lVal = 7;
    tvariant_to_value(record, *out, &m_memory);
    char* json = nullptr;
    out->GetAsString(&json);
    EXPECT_STREQ("{\"type\":\"int\",\"value\":7}\n", json);
    NS_Free(json);
}

struct ListCase {
    const char* name;
    bool json;
    std::function<void(nsIWritableVariant&)> fill;
    int expected;  // the method's count on entry
    long given;
    int records;   // 0: no array
    TYPEVAR first;
};

TEST_F(VariantValues, TheParametersThePageGivesFillTheMethodsCount) {
    static bool flags[] = {true, false};
    static int32_t numbers[] = {1, 2, 3, 4};
    const ListCase cases[] = {
        {"booleans", false, [](nsIWritableVariant& v) { v.SetAsArray(nsIDataType::VTYPE_BOOL, nullptr, 2, flags); }, 1, 2, 2, VTYPE_BOOL},
        {"more than expected", false, [](nsIWritableVariant& v) { v.SetAsArray(nsIDataType::VTYPE_INT32, nullptr, 4, numbers); }, 2, 4, 4, VTYPE_I4},
        {"one number for three", false, [](nsIWritableVariant& v) { v.SetAsInt32(5); }, 3, 1, 3, VTYPE_I4},
        {"an empty array", false, [](nsIWritableVariant& v) { v.SetAsEmptyArray(); }, 2, 0, 2, VTYPE_EMPTY},
        {"a text in plain mode", false, [](nsIWritableVariant& v) { v.SetAsWString(u"[1]"); }, 2, 0, 0, VTYPE_EMPTY},
        {"a JSON list", true, [](nsIWritableVariant& v) { v.SetAsWString(u"[1,\"x\",true]"); }, 5, 3, 5, VTYPE_I4},
        {"an empty JSON list", true, [](nsIWritableVariant& v) { v.SetAsWString(u"[]"); }, 2, 0, 0, VTYPE_EMPTY},
        {"no JSON", true, [](nsIWritableVariant& v) { v.SetAsWString(u"words"); }, 1, 0, 0, VTYPE_EMPTY},
    };
    for (const ListCase& c : cases) {
        g_has_json = c.json;
        nsCOMPtr<nsIWritableVariant> params = variant(c.fill);
        tVariant* records = nullptr;
        int size = c.expected;
        EXPECT_EQ(c.given, nsvararray_to_tvariantarray(*params, &records, &m_memory, &size)) << c.name;
        if (c.records == 0) {
            EXPECT_EQ(nullptr, records) << c.name;
            continue;
        }
        ASSERT_NE(nullptr, records) << c.name;
        EXPECT_EQ(c.records, size) << c.name;
        EXPECT_EQ(c.first, records[0].vt) << c.name;
        for (int i = 0; i < size; ++i) release(records[i]);
        delete[] records;
    }
}

}  // namespace
