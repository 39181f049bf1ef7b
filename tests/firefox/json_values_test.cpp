// The component's JSON value format against tVariant records, without a browser: the
// conversions of single values, parameter lists, buffers and OLE dates.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "addin_exception.h"
#include "addin_memory.h"
#include "json/reader.h"
#include "json_text.h"
#include "json_tvariant.h"

namespace {

// Any JSON text, bare values included.
JsValue parse(const std::string& text) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    JsValue value;
    std::string errors;
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << text;
    return value;
}

class JsonValues : public ::testing::Test {
protected:
    JsonValues() : m_memory(std::malloc, std::free) {}
    ~JsonValues() override { EXPECT_EQ(0, m_memory.blocksOut()) << "a buffer was not released"; }

    tVariant fromText(const std::string& text) {
        JsValue value = parse(text);
        tVariant record;
        std::memset(&record, 0, sizeof record);
        value_to_tvariant(value, record, &m_memory);
        return record;
    }
    std::string toText(tVariant record) {
        JsValue value;
        tvariant_to_value(record, value, &m_memory);
        tVariantClear(&record, &m_memory);
        return json_write(value);
    }
    tVariant wide(const char16_t* text) {
        tVariant record;
        std::memset(&record, 0, sizeof record);
        set_wide_text(record, reinterpret_cast<const uint16_t*>(text),
                      std::char_traits<char16_t>::length(text), &m_memory);
        return record;
    }
    void release(tVariant& record) { tVariantClear(&record, &m_memory); }
    // A narrow record of type `vt` whose block holds exactly `bytes`, no terminator.
    tVariant narrow(TYPEVAR vt, const std::string& bytes) {
        tVariant record;
        std::memset(&record, 0, sizeof record);
        void* block = nullptr;
        EXPECT_TRUE(m_memory.AllocMemory(&block, bytes.size()));
        if (block != nullptr) std::memcpy(block, bytes.data(), bytes.size());
        record.vt = vt;
        record.pstrVal = static_cast<char*>(block);
        record.strLen = static_cast<uint32_t>(bytes.size());
        return record;
    }

    AddInMemory m_memory;
};

struct Written {
    const char* name;
    TYPEVAR vt;
    int32_t number;
    const char* json;
};

TEST_F(JsonValues, EveryTypeIsWrittenInTheTypeValueForm) {
    const Written cases[] = {
        {"empty", VTYPE_EMPTY, 0, "{\"type\":\"empty\",\"value\":{}}\n"},
        {"null", VTYPE_NULL, 0, "{\"type\":\"null\",\"value\":null}\n"},
        {"i4", VTYPE_I4, 7, "{\"type\":\"int\",\"value\":7}\n"},
        {"i2 negative", VTYPE_I2, -3, "{\"type\":\"int\",\"value\":-3}\n"},
        {"bool", VTYPE_BOOL, 1, "{\"type\":\"boolean\",\"value\":true}\n"},
        {"i8 has no form", VTYPE_I8, 5, "{}\n"},
        {"clsid has no form", VTYPE_CLSID, 0, "{}\n"},
    };
    for (const Written& c : cases) {
        tVariant record;
        std::memset(&record, 0, sizeof record);
        record.vt = c.vt;
        if (c.vt == VTYPE_BOOL) record.bVal = c.number != 0;
        else if (c.vt == VTYPE_I2) record.shortVal = static_cast<int16_t>(c.number);
        else record.lVal = c.number;
        EXPECT_EQ(c.json, toText(record)) << c.name;
    }
}

TEST_F(JsonValues, TextIsWrittenAndItsBufferReleased) {
    tVariant record = wide(u"abc");
    JsValue value;
    tvariant_to_value(record, value, &m_memory);
    EXPECT_EQ("{\"type\":\"string\",\"value\":\"abc\"}\n", json_write(value));
    EXPECT_EQ(VTYPE_EMPTY, record.vt);
    EXPECT_EQ(0, m_memory.blocksOut());
}

// A narrow text that is no UTF-8 reaches the page as plain mode gives it: each ill-formed
// sequence one replacement character, and nothing after it lost.
TEST_F(JsonValues, NarrowTextIsWrittenWithEachIllFormedSequenceReplaced) {
    const struct {
        const char* name;
        std::string bytes;
        const char* value;
    } cases[] = {
        {"E9 74 E9", "\xE9t\xE9", "\\ufffdt\\ufffd"},
        {"a stray continuation byte", "a\x80z", "a\\ufffdz"},
        {"UTF-8", "caf\xC3\xA9", "caf\\u00e9"},
        {"a zero byte inside", std::string("a\0\xFF", 3), "a\\u0000\\ufffd"},
    };
    for (const auto& c : cases) {
        tVariant record;
        std::memset(&record, 0, sizeof record);
        void* block = nullptr;
        ASSERT_TRUE(m_memory.AllocMemory(&block, c.bytes.size()));
        std::memcpy(block, c.bytes.data(), c.bytes.size());
        record.vt = VTYPE_PSTR;
        record.pstrVal = static_cast<char*>(block);
        record.strLen = static_cast<uint32_t>(c.bytes.size());
        EXPECT_EQ(std::string("{\"type\":\"string\",\"value\":\"") + c.value + "\"}\n",
                  toText(record))
            << c.name;
    }
}

// A blob reaches the page as narrow text does: each ill-formed sequence one replacement
// character, nothing after it lost.
TEST_F(JsonValues, ABlobIsWrittenWithEachIllFormedSequenceReplaced) {
    const struct {
        const char* name;
        std::string bytes;
        const char* value;
    } cases[] = {
        {"C3 41 42 43 FF 41", "\xC3" "ABC\xFF" "A", "\\ufffdABC\\ufffdA"},
        {"E0 80 41", "\xE0\x80" "A", "\\ufffd\\ufffdA"},
        {"UTF-8", "caf\xC3\xA9", "caf\\u00e9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string("{\"type\":\"blob\",\"value\":\"") + c.value + "\"}\n",
                  toText(narrow(VTYPE_BLOB, c.bytes)))
            << c.name;
    }
}

TEST_F(JsonValues, TmIsWrittenThroughDate) {
    tVariant record;
    std::memset(&record, 0, sizeof record);
    record.vt = VTYPE_TM;
    record.tmVal.tm_year = 124;
    record.tmVal.tm_mday = 15;
    EXPECT_EQ("{\"type\":\"date\",\"value\":{\"date\":{\"day\":15,\"hour\":0,\"minute\":0,"
              "\"month\":0,\"second\":0,\"year\":2024}}}\n",
              toText(record));
}

struct Read {
    const char* json;
    TYPEVAR vt;
    double number;
};

TEST_F(JsonValues, TypedAndBareValuesAreRead) {
    const Read cases[] = {
        {"{\"type\":\"int\",\"value\":7.9}", VTYPE_I4, 7},
        {"{\"type\":\"uint\",\"value\":-2.5}", VTYPE_I4, -2},
        {"{\"type\":\"int\",\"value\":1e20}", VTYPE_I4, 2147483647},
        {"{\"type\":\"real\",\"value\":2.5}", VTYPE_R8, 2.5},
        {"{\"type\":\"bool\",\"value\":true}", VTYPE_BOOL, 1},
        {"{\"type\":\"null\",\"value\":1}", VTYPE_NULL, 0},
        {"{\"type\":\"void\",\"value\":1}", VTYPE_EMPTY, 0},
        {"{\"type\":\"Int\",\"value\":7}", VTYPE_EMPTY, 0},
        {"{}", VTYPE_EMPTY, 0},
        {"null", VTYPE_NULL, 0},
        {"42", VTYPE_I4, 42},
        {"4294967295", VTYPE_I4, 2147483647},
        {"0.5", VTYPE_R8, 0.5},
        {"false", VTYPE_BOOL, 0},
    };
    for (const Read& c : cases) {
        tVariant record = fromText(c.json);
        EXPECT_EQ(c.vt, record.vt) << c.json;
        if (c.vt == VTYPE_I4) {
            EXPECT_EQ(c.number, record.lVal) << c.json;
        } else if (c.vt == VTYPE_R8) {
            EXPECT_EQ(c.number, record.dblVal) << c.json;
        } else if (c.vt == VTYPE_BOOL) {
            EXPECT_EQ(c.number != 0, record.bVal) << c.json;
        }
    }
}

TEST_F(JsonValues, ADateIsReadWithoutItsWrapper) {
    tVariant record = fromText("{\"type\":\"date\",\"value\":{\"year\":2024,\"month\":0,\"day\":15}}");
    ASSERT_EQ(VTYPE_TM, record.vt);
    EXPECT_EQ(124, record.tmVal.tm_year);
    EXPECT_EQ(0, record.tmVal.tm_mon);
    EXPECT_EQ(15, record.tmVal.tm_mday);
    EXPECT_EQ(0, record.tmVal.tm_hour);

    // What the component writes does not read back: its fields sit inside "date".
    record = fromText("{\"type\":\"date\",\"value\":{\"date\":{\"year\":2024,\"day\":15}}}");
    ASSERT_EQ(VTYPE_TM, record.vt);
    EXPECT_EQ(-1900, record.tmVal.tm_year);
    EXPECT_EQ(0, record.tmVal.tm_mday);
}

TEST_F(JsonValues, AStringIsReadIntoANewBuffer) {
    tVariant record = fromText("{\"type\":\"string\",\"value\":\"\\u00e9t\\u00e9\"}");
    ASSERT_EQ(VTYPE_PWSTR, record.vt);
    EXPECT_EQ(3u, record.wstrLen);
    EXPECT_EQ(0x00e9, record.pwstrVal[0]);
    EXPECT_EQ(0, record.pwstrVal[3]);
    release(record);
}

TEST_F(JsonValues, ValuesOfTheWrongKindFailAndLeaveNothing) {
    const char* const cases[] = {
        "{\"type\":\"int\",\"value\":\"7\"}",   "{\"type\":\"string\",\"value\":7}",
        "{\"type\":\"date\",\"value\":5}",      "{\"type\":\"date\",\"value\":{\"year\":\"x\"}}",
        "{\"type\":1,\"value\":7}",             "{\"value\":7}",
        "{\"type\":\"int\"}",                   "[1]",
    };
    for (const char* text : cases) {
        JsValue value = parse(text);
        tVariant record = wide(u"old");  // the old buffer goes, whatever happens
        EXPECT_THROW(value_to_tvariant(value, record, &m_memory), conversion_error) << text;
        EXPECT_EQ(VTYPE_EMPTY, record.vt) << text;
    }
}

TEST_F(JsonValues, AParameterListFillsTheExpectedCount) {
    tVariant* records = nullptr;
    int size = 5;
    EXPECT_EQ(3, jsvararray_to_tvariantarray("[1,\"x\",true]", &records, &m_memory, &size));
    ASSERT_NE(nullptr, records);
    EXPECT_EQ(5, size);
    EXPECT_EQ(VTYPE_I4, records[0].vt);
    EXPECT_EQ(VTYPE_PWSTR, records[1].vt);
    EXPECT_EQ(VTYPE_BOOL, records[2].vt);
    EXPECT_EQ(VTYPE_EMPTY, records[3].vt);
    EXPECT_EQ(VTYPE_EMPTY, records[4].vt);
    for (int i = 0; i < size; ++i) release(records[i]);
    delete[] records;
}

TEST_F(JsonValues, AParameterListThatIsNoNonEmptyArrayFails) {
    const char* const cases[] = {"[]", "{\"a\":1}", "plain words", "[1,] ", "/*c*/[1]",
                                 "[\"ok\",{\"type\":\"int\",\"value\":\"x\"}]"};
    for (const char* text : cases) {
        tVariant* records = nullptr;
        int size = 2;
        EXPECT_THROW(jsvararray_to_tvariantarray(text, &records, &m_memory, &size), conversion_error)
            << text;
        EXPECT_EQ(nullptr, records) << text;
    }
}

TEST_F(JsonValues, ClearingFollowsAVariantRecordOnce) {
    tVariant inner = wide(u"in");
    tVariant outer;
    std::memset(&outer, 0, sizeof outer);
    outer.vt = VTYPE_VARIANT;
    outer.pvarVal = &inner;
    EXPECT_TRUE(tVariantClear(&outer, &m_memory));
    EXPECT_EQ(nullptr, inner.pwstrVal);
    EXPECT_EQ(VTYPE_PWSTR, inner.vt);  // the type code stays

    tVariant self;  // a record that points to itself does not loop
    std::memset(&self, 0, sizeof self);
    self.vt = VTYPE_VARIANT;
    self.pvarVal = &self;
    EXPECT_TRUE(tVariantClear(&self, &m_memory));
}

struct OleDate {
    double value;
    int year, month, day, hour, minute, second, weekday;
};

void expect_calendar_fields(const OleDate& c) {
    tm t;
    comdate_to_date(c.value, t);
    EXPECT_EQ(c.year - 1900, t.tm_year) << c.value;
    EXPECT_EQ(c.month, t.tm_mon) << c.value;
    EXPECT_EQ(c.day, t.tm_mday) << c.value;
    EXPECT_EQ(c.hour, t.tm_hour) << c.value;
    EXPECT_EQ(c.minute, t.tm_min) << c.value;
    EXPECT_EQ(c.second, t.tm_sec) << c.value;
    EXPECT_EQ(c.weekday, t.tm_wday) << c.value;
}

TEST_F(JsonValues, OleDatesBecomeCalendarFields) {
    const OleDate cases[] = {
        {0.0, 1899, 11, 30, 0, 0, 0, 6},
        {45306.5, 2024, 0, 15, 12, 0, 0, 1},
        {-1.25, 1899, 11, 29, 6, 0, 0, 5},
        {60.0, 1900, 1, 28, 0, 0, 0, 3},
        {2.99999999, 1900, 0, 2, 0, 0, 0, 2},
    };
    for (const OleDate& c : cases) expect_calendar_fields(c);
    tm t;
    comdate_to_date(1e300, t);
    EXPECT_EQ(0, t.tm_year);
    EXPECT_EQ("Mon Jan 15 12:00:00 2024\n", [] {
        tm d;
        comdate_to_date(45306.5, d);
        return asctime_text(d);
    }());
}

// A time that rounds up to 24:00 moves to the next calendar day, before 30 December 1899 too,
// where the day counts down and the time still counts up from midnight.
TEST_F(JsonValues, OleDatesNearMidnightRoundIntoTheRightDay) {
    const OleDate cases[] = {
        {-1.9999999999, 1899, 11, 30, 0, 0, 0, 6},
        {-1.99999, 1899, 11, 29, 23, 59, 59, 5},
        {-1.0000000001, 1899, 11, 29, 0, 0, 0, 5},
        {-2.0000000001, 1899, 11, 28, 0, 0, 0, 4},
        {-0.9999999999, 1899, 11, 31, 0, 0, 0, 0},
        {0.9999999999, 1899, 11, 31, 0, 0, 0, 0},
        {1.9999999999, 1900, 0, 1, 0, 0, 0, 1},
        {-36522.9999999999, 1800, 0, 2, 0, 0, 0, 4},
        {45306.9999999999, 2024, 0, 16, 0, 0, 0, 2},
    };
    for (const OleDate& c : cases) expect_calendar_fields(c);
}

// The last moment of 9999-12-31 rounds beyond the last day an OLE date has: no date, as on
// Windows; a second before it is still that day.
TEST_F(JsonValues, OleDatesRoundingBeyondTheYear9999GiveNoDate) {
    const OleDate cases[] = {
        {2958465.99999, 9999, 11, 31, 23, 59, 59, 5},
        {2958465.9999999, 1900, 0, 0, 0, 0, 0, 0},  // the zero date: every field 0
    };
    for (const OleDate& c : cases) expect_calendar_fields(c);
}

}  // namespace
