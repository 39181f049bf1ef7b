// The variant conversions between OLE Automation VARIANTs and the add-in's tVariant.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <string>

#include "sized_addin_memory.h"
#include "variant_conv.h"

namespace {

// The add-in's host allocator, counting what is still out.
class CountingMemory : public IMemoryManager {
public:
    bool AllocMemory(void** p, unsigned long size) override {
        *p = std::malloc(size);
        if (*p != nullptr) ++m_live;
        return *p != nullptr;
    }
    void FreeMemory(void** p) override {
        if (p != nullptr && *p != nullptr) {
            std::free(*p);
            --m_live;
        }
    }
    int live() const { return m_live; }

private:
    int m_live = 0;
};

VARIANT variant(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    return v;
}

struct ToAddIn {
    const char* what;
    VARIANT source;
    TYPEVAR type;
    int32_t lVal;  // for VTYPE_I4
};

TEST(VariantToTVariant, ScalarKinds) {
    VARIANT i2 = variant(VT_I2), ui1 = variant(VT_UI1), ui4 = variant(VT_UI4), i8 = variant(VT_I8),
            i1 = variant(VT_I1), ui8 = variant(VT_UI8);
    i2.iVal = -5;
    ui1.bVal = 200;
    ui4.ulVal = 0xFFFFFFFFu;
    i8.llVal = 0x100000005LL;
    i1.cVal = -1;
    ui8.ullVal = 0xFFFFFFFF00000002ULL;
    const ToAddIn cases[] = {
        {"empty is null", variant(VT_EMPTY), VTYPE_NULL, 0},
        {"null is empty", variant(VT_NULL), VTYPE_EMPTY, 0},
        {"void", variant(VT_VOID), VTYPE_EMPTY, 0},
        {"I2 sign-extended", i2, VTYPE_I4, -5},
        {"UI1 zero-extended", ui1, VTYPE_I4, 200},
        {"UI4 keeps its 32 bits", ui4, VTYPE_I4, -1},
        {"I8 keeps its low 32 bits", i8, VTYPE_I4, 5},
        {"I1", i1, VTYPE_I4, -1},
        {"UI8", ui8, VTYPE_I4, 2},
        {"currency", variant(VT_CY), VTYPE_EMPTY, 0},
        {"error", variant(VT_ERROR), VTYPE_EMPTY, 0},
        {"decimal", variant(VT_DECIMAL), VTYPE_EMPTY, 0},
        {"INT", variant(VT_INT), VTYPE_EMPTY, 0},
        {"array", variant(VT_ARRAY | VT_VARIANT), VTYPE_EMPTY, 0},
        {"by reference", variant(VT_BYREF | VT_I4), VTYPE_EMPTY, 0},
    };
    CountingMemory memory;
    for (const ToAddIn& c : cases) {
        tVariant target{};
        variant_to_tvariant(&c.source, &target, &memory);
        EXPECT_EQ(target.vt, c.type) << c.what;
        if (c.type == VTYPE_I4) {
            EXPECT_EQ(target.lVal, c.lVal) << c.what;
        }
    }
    EXPECT_EQ(memory.live(), 0);
}

TEST(VariantToTVariant, RealsBooleansAndObjects) {
    CountingMemory memory;
    tVariant target{};
    VARIANT r4 = variant(VT_R4);
    r4.fltVal = 1.5f;
    variant_to_tvariant(&r4, &target, &memory);
    EXPECT_EQ(target.vt, VTYPE_R8);
    EXPECT_EQ(target.dblVal, 1.5);
    VARIANT boolean = variant(VT_BOOL);
    boolean.boolVal = VARIANT_TRUE;
    variant_to_tvariant(&boolean, &target, &memory);
    EXPECT_EQ(target.vt, VTYPE_BOOL);
    EXPECT_TRUE(target.bVal);
    VARIANT object = variant(VT_DISPATCH);
    object.pdispVal = reinterpret_cast<IDispatch*>(&memory);  // never called
    variant_to_tvariant(&object, &target, &memory);
    EXPECT_EQ(target.vt, VTYPE_INTERFACE);
    EXPECT_EQ(target.pInterfaceVal, &memory);
    EXPECT_TRUE(IsEqualIID(target.InterfaceID, IID_IDispatch));
    object.vt = VT_UNKNOWN;
    variant_to_tvariant(&object, &target, &memory);
    EXPECT_TRUE(IsEqualIID(target.InterfaceID, IID_IUnknown));
}

TEST(VariantToTVariant, StringsKeepEmbeddedZerosAndReleaseTheTarget) {
    CountingMemory memory;
    VARIANT text = variant(VT_BSTR);
    text.bstrVal = SysAllocStringLen(L"a\0b", 3);
    tVariant target{};
    variant_to_tvariant(&text, &target, &memory);
    ASSERT_EQ(target.vt, VTYPE_PWSTR);
    EXPECT_EQ(target.wstrLen, 3u);
    EXPECT_EQ(target.pwstrVal[1], 0);
    EXPECT_EQ(target.pwstrVal[2], u'b');
    EXPECT_EQ(target.pwstrVal[3], 0);
    EXPECT_EQ(memory.live(), 1);
    // Filling the target again frees what it held.
    VARIANT none = variant(VT_BSTR);
    variant_to_tvariant(&none, &target, &memory);
    ASSERT_EQ(target.vt, VTYPE_PWSTR);
    EXPECT_EQ(target.wstrLen, 0u);
    EXPECT_EQ(target.pwstrVal[0], 0);
    EXPECT_EQ(memory.live(), 1);
    tVariantClear(&target, &memory);
    EXPECT_EQ(target.vt, VTYPE_PWSTR) << "clearing keeps the type";
    EXPECT_EQ(memory.live(), 0);
    VariantClear(&text);
}

TEST(VariantToTVariant, DateBecomesCalendarFields) {
    SYSTEMTIME time{};
    time.wYear = 2024;
    time.wMonth = 3;
    time.wDay = 15;
    time.wHour = 12;
    time.wMinute = 30;
    time.wSecond = 45;
    VARIANT date = variant(VT_DATE);
    ASSERT_TRUE(SystemTimeToVariantTime(&time, &date.date));
    CountingMemory memory;
    tVariant target{};
    variant_to_tvariant(&date, &target, &memory);
    ASSERT_EQ(target.vt, VTYPE_TM);
    EXPECT_EQ(target.tmVal.tm_year, 124);
    EXPECT_EQ(target.tmVal.tm_mon, 2);
    EXPECT_EQ(target.tmVal.tm_mday, 15);
    EXPECT_EQ(target.tmVal.tm_hour, 12);
    EXPECT_EQ(target.tmVal.tm_min, 30);
    EXPECT_EQ(target.tmVal.tm_sec, 45);
    EXPECT_EQ(target.tmVal.tm_wday, 5);
    EXPECT_EQ(target.tmVal.tm_yday, 74);
    EXPECT_EQ(target.tmVal.tm_isdst, 0);
    // And back to the same date.
    VARIANT back = variant(VT_EMPTY);
    tvariant_to_variant(&target, &back, &memory);
    ASSERT_EQ(back.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(back.date, date.date);
}

TEST(TVariantToVariant, ScalarKinds) {
    CountingMemory memory;
    struct Case {
        const char* what;
        tVariant source;
        VARTYPE type;
        LONG lVal;
    };
    Case cases[] = {{"empty", {}, VT_EMPTY, 0}, {"null", {}, VT_NULL, 0},
                    {"I1", {}, VT_I4, -1},      {"UI2", {}, VT_I4, 65535},
                    {"UI4", {}, VT_I4, -2},     {"I8 is not carried", {}, VT_EMPTY, 0},
                    {"interface", {}, VT_EMPTY, 0}, {"error", {}, VT_EMPTY, 0}};
    cases[0].source.vt = VTYPE_EMPTY;
    cases[1].source.vt = VTYPE_NULL;
    cases[2].source.vt = VTYPE_I1;
    cases[2].source.i8Val = -1;
    cases[3].source.vt = VTYPE_UI2;
    cases[3].source.ushortVal = 65535;
    cases[4].source.vt = VTYPE_UI4;
    cases[4].source.ulVal = 0xFFFFFFFEu;
    cases[5].source.vt = VTYPE_I8;
    cases[5].source.llVal = 7;
    cases[6].source.vt = VTYPE_INTERFACE;
    cases[7].source.vt = VTYPE_ERROR;
    for (Case& c : cases) {
        VARIANT target = variant(VT_EMPTY);
        tvariant_to_variant(&c.source, &target, &memory);
        EXPECT_EQ(target.vt, c.type) << c.what;
        if (c.type == VT_I4) {
            EXPECT_EQ(target.lVal, c.lVal) << c.what;
        }
    }
    tVariant boolean{};
    boolean.vt = VTYPE_BOOL;
    boolean.bVal = true;
    VARIANT target = variant(VT_EMPTY);
    tvariant_to_variant(&boolean, &target, &memory);
    EXPECT_EQ(target.vt, VT_BOOL);
    EXPECT_EQ(target.boolVal, 1) << "true is 1, not VARIANT_TRUE";
    tVariant real{};
    real.vt = VTYPE_R4;
    real.fltVal = 2.5f;
    tvariant_to_variant(&real, &target, &memory);
    EXPECT_EQ(target.vt, VT_R8);
    EXPECT_EQ(target.dblVal, 2.5);
}

TEST(TVariantToVariant, StringsAndBlobsAreConsumed) {
    CountingMemory memory;
    auto buffer = [&memory](const void* bytes, size_t size) {
        void* block = nullptr;
        memory.AllocMemory(&block, static_cast<unsigned long>(size));
        std::memcpy(block, bytes, size);
        return block;
    };
    // A narrow string is read in the thread's ANSI code page, up to its terminator.
    tVariant narrowText{};
    narrowText.vt = VTYPE_PSTR;
    narrowText.pstrVal = static_cast<char*>(buffer("abc\0def", 8));
    narrowText.strLen = 7;
    VARIANT target = variant(VT_EMPTY);
    tvariant_to_variant(&narrowText, &target, &memory);
    ASSERT_EQ(target.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(target.bstrVal), 3u);
    EXPECT_EQ(narrowText.vt, VTYPE_EMPTY);
    VariantClear(&target);
    // A wide string of exactly its length; a null one is empty, whatever length it claims.
    tVariant wide{};
    wide.vt = VTYPE_PWSTR;
    const uint16_t units[] = {u'x', 0, u'y', u'z'};
    wide.pwstrVal = static_cast<uint16_t*>(buffer(units, sizeof units));
    wide.wstrLen = 3;
    tvariant_to_variant(&wide, &target, &memory);
    ASSERT_EQ(target.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(target.bstrVal), 3u);
    EXPECT_EQ(target.bstrVal[2], L'y');
    VariantClear(&target);
    tVariant nullWide{};
    nullWide.vt = VTYPE_PWSTR;
    nullWide.wstrLen = 1000;
    tvariant_to_variant(&nullWide, &target, &memory);
    ASSERT_EQ(target.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(target.bstrVal), 0u);
    VariantClear(&target);
    // A blob becomes signed bytes.
    tVariant blob{};
    blob.vt = VTYPE_BLOB;
    blob.pstrVal = static_cast<char*>(buffer("\x01\xff\x02", 3));
    blob.strLen = 3;
    tvariant_to_variant(&blob, &target, &memory);
    ASSERT_EQ(target.vt, VT_ARRAY | VT_I1);
    long upper = -1;
    SafeArrayGetUBound(target.parray, 1, &upper);
    EXPECT_EQ(upper, 2);
    long index = 1;
    signed char byte = 0;
    SafeArrayGetElement(target.parray, &index, &byte);
    EXPECT_EQ(byte, -1);
    VariantClear(&target);
    EXPECT_EQ(memory.live(), 0) << "every converted buffer was freed";
}

// Texts and blobs whose claimed length runs past the block the adapter's memory manager
// handed out: the page gets what the block holds, and nothing past it; a claim that runs past
// its block ends at the block's first zero, an honest one keeps its embedded zeros.
TEST(TVariantToVariant, ClaimedLengthsAreReadNoFurtherThanTheBlock) {
    const struct {
        const char* what;
        TYPEVAR vt;
        std::string block;
        uint32_t claimed;
        std::wstring text;   // for texts
        size_t blobBytes;    // for blobs
    } cases[] = {
        {"narrow text without terminator", VTYPE_PSTR, "abcdefgh", 8, L"abcdefgh", 0},
        {"narrow text ends at its terminator", VTYPE_PSTR, std::string("ab\0cd", 5), 5, L"ab", 0},
        {"wide text claiming 64", VTYPE_PWSTR, std::string("a\0b\0c\0d\0e\0f\0g\0h\0", 16), 64,
         L"abcdefgh", 0},
        {"wide text claiming 32 Mi", VTYPE_PWSTR, std::string("a\0b\0c\0d\0e\0f\0g\0h\0", 16),
         32u << 20, L"abcdefgh", 0},
        {"wide text past its block ends at a zero", VTYPE_PWSTR, std::string("a\0\0\0c\0", 6), 100,
         L"a", 0},
        {"wide text with an honest zero", VTYPE_PWSTR, std::string("a\0\0\0c\0", 6), 3,
         std::wstring(L"a\0c", 3), 0},
        {"blob claiming 64", VTYPE_BLOB, std::string(16, '\x7f'), 64, L"", 16},
        {"blob claiming 64 MiB", VTYPE_BLOB, std::string(16, '\x7f'), 64u << 20, L"", 16},
    };
    SizedAddInMemory memory(std::malloc, std::free);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        void* block = nullptr;
        ASSERT_TRUE(memory.AllocMemory(&block, static_cast<unsigned long>(c.block.size())));
        std::memcpy(block, c.block.data(), c.block.size());
        tVariant source{};
        source.vt = c.vt;
        source.pstrVal = static_cast<char*>(block);
        source.strLen = c.claimed;  // wstrLen lies at the same place
        VARIANT target = variant(VT_EMPTY);
        tvariant_to_variant(&source, &target, &memory);
        if (c.vt == VTYPE_BLOB) {
            ASSERT_EQ(target.vt, VT_ARRAY | VT_I1);
            long upper = -1;
            SafeArrayGetUBound(target.parray, 1, &upper);
            EXPECT_EQ(static_cast<size_t>(upper + 1), c.blobBytes);
        } else {
            ASSERT_EQ(target.vt, VT_BSTR);
            EXPECT_EQ(std::wstring(target.bstrVal, SysStringLen(target.bstrVal)), c.text);
        }
        VariantClear(&target);
        EXPECT_EQ(source.vt, VTYPE_EMPTY);
    }
    EXPECT_EQ(memory.blocksOut(), 0) << "every converted block was freed";
}

TEST(TVariantToVariant, CalendarFieldsThatMakeNoDateGiveNoValue) {
    CountingMemory memory;
    tVariant fields{};
    fields.vt = VTYPE_TM;
    fields.tmVal.tm_year = 124;
    fields.tmVal.tm_mon = 13;  // no such month
    fields.tmVal.tm_mday = 40;
    VARIANT target = variant(VT_EMPTY);
    tvariant_to_variant(&fields, &target, &memory);
    EXPECT_EQ(target.vt, VT_EMPTY);
}

// Clearing follows a VTYPE_VARIANT record to the one it points at, and frees a text found
// there; a record that points at itself, or a cycle of two, ends the walk instead of the stack.
TEST(TVariantClear, VariantChainsAreFollowedAndCyclesEnd) {
    CountingMemory memory;
    tVariant text{};
    void* block = nullptr;
    ASSERT_TRUE(memory.AllocMemory(&block, 4 * sizeof(uint16_t)));
    text.vt = VTYPE_PWSTR;
    text.pwstrVal = static_cast<uint16_t*>(block);
    tVariant toText{};
    toText.vt = VTYPE_VARIANT;
    toText.pvarVal = &text;
    EXPECT_TRUE(tVariantClear(&toText, &memory));
    EXPECT_EQ(0, memory.live());
    EXPECT_EQ(nullptr, text.pwstrVal);

    tVariant self{};
    self.vt = VTYPE_VARIANT;
    self.pvarVal = &self;
    tVariant first{}, second{};
    first.vt = second.vt = VTYPE_VARIANT;
    first.pvarVal = &second;
    second.pvarVal = &first;
    tVariant* const kCycles[] = {&self, &first, &second};
    for (tVariant* start : kCycles) {
        EXPECT_TRUE(tVariantClear(start, &memory));
        EXPECT_EQ(VTYPE_VARIANT, start->vt);
    }
    EXPECT_EQ(&self, self.pvarVal);
    EXPECT_EQ(&second, first.pvarVal);
}

}  // namespace
