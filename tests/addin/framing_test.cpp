// Codes framed from what the scanner sends, through a real pseudo-terminal.

#include <gtest/gtest.h>

#include "scanner_fixture.h"

namespace velmor_test {
namespace {

struct FramingCase {
    const char* name;
    PtyScanner::Mode mode;
    std::vector<std::string> writes;  // each one read by the add-in before the next is sent
    std::vector<std::u16string> codes;
};

class FramingTest : public ScannerTest, public ::testing::WithParamInterface<FramingCase> {};

TEST_P(FramingTest, DeliversEachCodeWhole) {
    const FramingCase& c = GetParam();
    attach(c.mode);
    ASSERT_TRUE(component().call(u"Claim"));
    for (const std::string& bytes : c.writes) {
        scanner().send(bytes);
        ASSERT_TRUE(scanner().waitUntilTaken(kDeadline)) << "the add-in did not read the line";
    }
    expectCodes(c.codes);
    // Nothing beyond the expected codes: the trailing partial code (if any) stays unsent.
    scanner().send("\n");
    ASSERT_TRUE(m_host.waitForEvents(c.codes.size() + 1, kDeadline));
    EXPECT_EQ(codes().size(), c.codes.size() + 1);
}

using Mode = PtyScanner::Mode;
const FramingCase kFramingCases[] = {
    {"CrLfAndLf", Mode::kCanonical, {"12\r\n34\n"}, {u"12", u"", u"34"}},
    {"CrLfAndLfRaw", Mode::kRaw, {"12\r\n34\n"}, {u"12", u"", u"34"}},
    {"SplitAcrossReads", Mode::kRaw, {"12", "3\r"}, {u"123"}},
    {"ManySplits", Mode::kRaw, {"4", "6", "0", "1\r", "77", "\n"}, {u"4601", u"77"}},
    {"LeadingCr", Mode::kRaw, {"\r5\r"}, {u"", u"5"}},
    {"NoTerminatorNoCode", Mode::kRaw, {"999"}, {}},
    {"SeveralCodesInOneRead", Mode::kRaw, {"a\rb\rc\r"}, {u"a", u"b", u"c"}},
    // Each byte is the character of its own value: Latin-1 bytes keep their meaning.
    {"HighBytes", Mode::kRaw, {"\xC1\xE9\xFF\x80\r"}, {u"\u00C1\u00E9\u00FF\u0080"}},
    // Control bytes other than CR and LF belong to the code (a NUL could not cross the
    // interface, whose strings end at the first zero unit).
    {"ControlBytesKept", Mode::kRaw, {"\x01\x1D\x04x\r"}, {u"\x01\x1D\x04x"}},
};

INSTANTIATE_TEST_SUITE_P(Scanner, FramingTest, ::testing::ValuesIn(kFramingCases),
                         [](const ::testing::TestParamInfo<FramingCase>& p) { return std::string(p.param.name); });

TEST_F(ScannerTest, LongCodeSpanningManyReadBuffers) {
    attach(PtyScanner::Mode::kRaw);
    ASSERT_TRUE(component().call(u"Claim"));
    std::string code;
    for (int i = 0; i < 3000; ++i) code.push_back(static_cast<char>('0' + i % 10));
    scanner().send(code + "\r");
    expectCodes({std::u16string(code.begin(), code.end())});
}

}  // namespace
}  // namespace velmor_test
