#include <gtest/gtest.h>

#ifndef _WIN32
#include <iconv.h>
#endif

#include <clocale>
#include <cstdint>
#include <string>
#include <vector>

#include "utf_codec.h"

namespace {

Utf16String u16(std::initializer_list<uint16_t> units) { return Utf16String(units); }

Utf16String decode(const std::string& bytes) {
    Utf16String out;
    utf8_to_utf16_append(bytes.data(), bytes.size(), out);
    return out;
}

std::string encode(const Utf16String& units) {
    std::string out;
    utf16_to_utf8_append(units.data(), units.size(), out);
    return out;
}

std::string hex(const Utf16String& s) {
    std::string r;
    char buf[8];
    for (uint16_t u : s) {
        snprintf(buf, sizeof buf, "%04X ", u);
        r += buf;
    }
    return r;
}

#ifndef _WIN32
// Converts with the C library's iconv, which needs no locale: an independent reference.
std::string iconv_convert(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(iconv_t(-1), cd);
    std::string out(in.size() * 2 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = &out[0];
    size_t dstLeft = out.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    EXPECT_NE(size_t(-1), rc);
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

#endif

}  // namespace

struct Utf8Case {
    const char* name;
    std::string bytes;
    Utf16String units;
};

class Utf8Decoding : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Decoding, GivesTheExpectedUnits) {
    EXPECT_EQ(hex(GetParam().units), hex(decode(GetParam().bytes)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Decoding,
    testing::Values(
        Utf8Case{"Ascii", "Port", u16({'P', 'o', 'r', 't'})},
        Utf8Case{"Cyrillic", "\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82", u16({0x41F, 0x43E, 0x440, 0x442})},
        Utf8Case{"LastBmp", "\xEF\xBF\xBF", u16({0xFFFF})},
        Utf8Case{"FirstNonBmp", "\xF0\x90\x80\x80", u16({0xD800, 0xDC00})},
        Utf8Case{"Emoji", "\xF0\x9F\x98\x80", u16({0xD83D, 0xDE00})},
        Utf8Case{"LastScalar", "\xF4\x8F\xBF\xBF", u16({0xDBFF, 0xDFFF})},
        Utf8Case{"ZeroEndsText", std::string("ab\0cd", 5), u16({'a', 'b'})},
        Utf8Case{"StrayContinuation", "a\x80z", u16({'a', 0xFFFD, 'z'})},
        Utf8Case{"OverlongC0", "\xC0\xAF", u16({0xFFFD, 0xFFFD})},
        Utf8Case{"OverlongE0", "\xE0\x80\xAF", u16({0xFFFD, 0xFFFD, 0xFFFD})},
        Utf8Case{"OverlongF0", "\xF0\x8F\xBF\xBF", u16({0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD})},
        Utf8Case{"EncodedSurrogate", "\xED\xA0\x80", u16({0xFFFD, 0xFFFD, 0xFFFD})},
        Utf8Case{"AboveMax", "\xF4\x90\x80\x80", u16({0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD})},
        Utf8Case{"LeadF5", "\xF5\x80", u16({0xFFFD, 0xFFFD})},
        Utf8Case{"ByteFF", "\xFF", u16({0xFFFD})},
        Utf8Case{"TruncatedAtEnd", "x\xE2\x82", u16({'x', 0xFFFD})},
        Utf8Case{"TruncatedBeforeAscii", "\xE2\x82" "A", u16({0xFFFD, 'A'})},
        Utf8Case{"TruncatedFourByte", "\xF0\x9F\x98" "x", u16({0xFFFD, 'x'})},
        Utf8Case{"TruncatedThenValid", "\xE2\xD0\x9F", u16({0xFFFD, 0x41F})},
        Utf8Case{"TruncatedBeforeZero", std::string("\xE2\x82\0z", 4), u16({0xFFFD})}),
    [](const testing::TestParamInfo<Utf8Case>& p) { return p.param.name; });

struct Utf16Case {
    const char* name;
    Utf16String units;
    std::string bytes;
};

class Utf16Encoding : public testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16Encoding, GivesTheExpectedBytes) {
    EXPECT_EQ(GetParam().bytes, encode(GetParam().units));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf16Encoding,
    testing::Values(
        Utf16Case{"Cyrillic", u16({0x41F, 0x43E, 0x440, 0x442}), "\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82"},
        Utf16Case{"TwoByteEdge", u16({0x7F, 0x80, 0x7FF, 0x800}), "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80"},
        Utf16Case{"Emoji", u16({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80"},
        Utf16Case{"ZeroEndsText", u16({'a', 0, 'b'}), "a"},
        Utf16Case{"LoneHighAtEnd", u16({'a', 0xD83D}), "a\xEF\xBF\xBD"},
        Utf16Case{"LoneHighBeforeAscii", u16({0xD83D, 'A'}), "\xEF\xBF\xBD" "A"},
        Utf16Case{"LoneLow", u16({0xDE00, 'A'}), "\xEF\xBF\xBD" "A"},
        Utf16Case{"ReversedPair", u16({0xDE00, 0xD83D}), "\xEF\xBF\xBD\xEF\xBF\xBD"},
        Utf16Case{"HighHighLow", u16({0xD83D, 0xD83D, 0xDE00}), "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        Utf16Case{"HighBeforeZero", u16({0xD83D, 0, 0xDE00}), "\xEF\xBF\xBD"}),
    [](const testing::TestParamInfo<Utf16Case>& p) { return p.param.name; });

#ifndef _WIN32  // iconv is the C library's; MinGW has none
TEST(UtfCodec, EveryScalarValueMatchesIconvBothWays) {
    // All of U+0001..U+10FFFF except the surrogates, as UTF-32LE for iconv.
    std::string utf32;
    for (uint32_t cp = 1; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        for (int i = 0; i < 4; ++i) utf32.push_back(char((cp >> (8 * i)) & 0xFF));
    }
    const std::string utf8 = iconv_convert("UTF-8", "UTF-32LE", utf32);
    const std::string utf16le = iconv_convert("UTF-16LE", "UTF-32LE", utf32);
    Utf16String expected(utf16le.size() / 2, 0);
    for (size_t i = 0; i < expected.size(); ++i)
        expected[i] = uint16_t(uint8_t(utf16le[2 * i]) | (uint8_t(utf16le[2 * i + 1]) << 8));

    const Utf16String units = decode(utf8);
    ASSERT_EQ(expected.size(), units.size());
    EXPECT_TRUE(expected == units) << "UTF-8 to UTF-16 differs from iconv";
    EXPECT_TRUE(utf8 == encode(units)) << "UTF-16 to UTF-8 differs from iconv";
}
#endif

TEST(UtfCodec, AppendsToWhatIsThere) {
    Utf16String units = u16({'x'});
    utf8_to_utf16_append("\xD0\x9F", 2, units);
    EXPECT_EQ(hex(u16({'x', 0x41F})), hex(units));
    std::string bytes = "x";
    const uint16_t pair[] = {0xD83D, 0xDE00};
    utf16_to_utf8_append(pair, 2, bytes);
    EXPECT_EQ("x\xF0\x9F\x98\x80", bytes);
}

TEST(UtfCodec, NullOrEmptyInputAppendsNothing) {
    Utf16String units = u16({'x'});
    utf8_to_utf16_append(nullptr, 5, units);
    utf8_to_utf16_append("abc", 0, units);
    EXPECT_EQ(1u, units.size());
    std::string bytes = "x";
    utf16_to_utf8_append(nullptr, 5, bytes);
    EXPECT_EQ("x", bytes);
    EXPECT_EQ(0u, utf16_length(nullptr));
    const uint16_t text[] = {'a', 'b', 0, 'c'};
    EXPECT_EQ(2u, utf16_length(text));
}

TEST(UtfCodec, NeedsNoLocale) {
    // The "C" locale knows no multibyte characters; the codec must not care.
    const std::string saved = setlocale(LC_ALL, nullptr);
    setlocale(LC_ALL, "C");
    const Utf16String units = decode("\xD0\x9F\xF0\x9F\x98\x80");
    const std::string bytes = encode(units);
    setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(hex(u16({0x41F, 0xD83D, 0xDE00})), hex(units));
    EXPECT_EQ("\xD0\x9F\xF0\x9F\x98\x80", bytes);
}
