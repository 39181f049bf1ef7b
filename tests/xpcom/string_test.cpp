// The frozen string functions and the string classes over them.

#include <gtest/gtest.h>

#include <string>

#include "nsStringAPI.h"
#include "nsXPCOM.h"

namespace {

std::u16string text_of(const nsAString& s) {
    return std::u16string(s.BeginReading(), s.Length());
}

std::string text_of(const nsACString& s) { return std::string(s.BeginReading(), s.Length()); }

TEST(XpcomString, CopiesUnlessToldToDependOrAdopt) {
    char16_t source[] = u"abc";
    nsString copied(source);
    nsDependentString depending(source);
    source[0] = u'x';
    EXPECT_EQ(text_of(copied), u"abc");
    EXPECT_EQ(text_of(depending), u"xbc");
    EXPECT_EQ(copied.get()[3], 0);

    // A dependent string copies before it is written: the caller's text stays as it was.
    depending.Append(u"!");
    EXPECT_EQ(text_of(depending), u"xbc!");
    EXPECT_EQ(std::u16string(source), u"xbc");

    char16_t* block = static_cast<char16_t*>(NS_Alloc(3 * sizeof(char16_t)));
    block[0] = u'h';
    block[1] = u'i';
    block[2] = 0;
    nsStringContainer_base raw;
    nsStringContainer& adopted = reinterpret_cast<nsStringContainer&>(raw);
    ASSERT_EQ(NS_StringContainerInit2(adopted, block, UINT32_MAX, NS_STRING_CONTAINER_INIT_ADOPT),
              NS_OK);
    EXPECT_EQ(text_of(adopted), u"hi");
    NS_StringContainerFinish(adopted);  // frees the adopted block (ASan would tell)
}

TEST(XpcomString, SubstringsNeedNoTerminator) {
    const char data[] = {'a', 'b', 'c', 'd'};
    nsStringContainer_base raw;
    nsCStringContainer& s = reinterpret_cast<nsCStringContainer&>(raw);
    ASSERT_EQ(NS_CStringContainerInit2(s, data, 2,
                                       NS_CSTRING_CONTAINER_INIT_DEPEND |
                                           NS_CSTRING_CONTAINER_INIT_SUBSTRING),
              NS_OK);
    const char* read = nullptr;
    bool terminated = true;
    EXPECT_EQ(NS_CStringGetData(s, &read, &terminated), 2u);
    EXPECT_FALSE(terminated);
    char* clone = NS_CStringCloneData(s);
    EXPECT_STREQ(clone, "ab");
    NS_Free(clone);
    NS_CStringContainerFinish(s);
}

TEST(XpcomString, EditsByRange) {
    struct Case {
        uint32_t offset, cut;
        const char* insert;
        const char* expected;
    } cases[] = {
        {0, 0, "<", "<hello"},         {UINT32_MAX, 0, ">", "hello>"}, {1, 3, "EL", "hELo"},
        {2, UINT32_MAX, "", "he"},     {9, 9, "!", "hello!"},          {0, 5, nullptr, ""},
    };
    for (const Case& c : cases) {
        nsCString s("hello");
        EXPECT_EQ(NS_CStringSetDataRange(s, c.offset, c.cut, c.insert, UINT32_MAX), NS_OK);
        EXPECT_EQ(text_of(s), c.expected) << c.offset << "," << c.cut;
    }
}

TEST(XpcomString, MutableDataResizesAndStaysTerminated) {
    nsString s(u"abcdef");
    char16_t* data = nullptr;
    EXPECT_EQ(NS_StringGetMutableData(s, 3, &data), 3u);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(text_of(s), u"abc");
    EXPECT_EQ(data[3], 0);
    EXPECT_EQ(NS_StringGetMutableData(s, 5, &data), 5u);
    EXPECT_EQ(std::u16string(data, 3), u"abc");
    EXPECT_EQ(data[5], 0);
    // A length no block can hold refuses without touching the string.
    EXPECT_EQ(NS_StringGetMutableData(s, UINT32_MAX - 1, &data), 0u);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(s.Length(), 5u);
}

TEST(XpcomString, ClassesCompareAssignAndAppend) {
    nsString s;
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(s.Equals(static_cast<const char16_t*>(nullptr)));
    s = u"ab";
    s += u'c';
    s += NS_LITERAL_STRING("de");
    EXPECT_TRUE(s.Equals(u"abcde"));
    EXPECT_FALSE(s.Equals(u"abcd"));
    nsString t(s);
    EXPECT_TRUE(t.Equals(s));
    t.Cut(1, 2);
    EXPECT_TRUE(t.Equals(u"ade"));
    t.Truncate();
    EXPECT_EQ(t.Length(), 0u);
    s.Assign(s);  // onto itself
    EXPECT_TRUE(s.Equals(u"abcde"));
}

TEST(XpcomString, ConvertsBetweenUtf8AndUtf16) {
    EXPECT_EQ(text_of(NS_ConvertUTF8toUTF16("\xd0\x9f\xd1\x80\xd0\xb8 \xf0\x9f\x98\x80")),
              u"\u041f\u0440\u0438 \U0001F600");
    EXPECT_EQ(text_of(NS_ConvertUTF16toUTF8(u"\u041f\u0440\u0438 \U0001F600")),
              "\xd0\x9f\xd1\x80\xd0\xb8 \xf0\x9f\x98\x80");
    // Ill-formed input is replaced, not dropped or passed on.
    EXPECT_EQ(text_of(NS_ConvertUTF8toUTF16("a\xff" "b\xc3")), u"a\uFFFDb\uFFFD");
    const char16_t lone[] = {u'x', 0xD800, u'y', 0};
    EXPECT_EQ(text_of(NS_ConvertUTF16toUTF8(lone)), "x\xef\xbf\xbdy");
    // ASCII is the lossy byte form.
    EXPECT_EQ(text_of(NS_ConvertASCIItoUTF16("\xe9")), u"\u00e9");
    EXPECT_EQ(text_of(NS_LossyConvertUTF16toASCII(nsDependentString(u"\u0141a"))), "Aa");
}

}  // namespace
