// Codes framed from what the scanner sends, through a real pseudo-terminal.

#include <gtest/gtest.h>

#include <ostream>

#include "scanner_fixture.h"

namespace velmor_test {
namespace {

struct FramingCase {
    const char* name;
    PtyScanner::Mode mode;
    std::vector<std::string> writes;  // each one read by the add-in before the next is sent
    std::vector<std::u16string> codes;
    int stopChar = 0;
};

void PrintTo(const FramingCase& c, std::ostream* out) { *out << c.name; }

class FramingTest : public ScannerTest, public ::testing::WithParamInterface<FramingCase> {};

TEST_P(FramingTest, DeliversEachCodeWhole) {
    const FramingCase& c = GetParam();
    attach(c.mode);
    ASSERT_TRUE(component().setInt(u"StopChar", c.stopChar));
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
    // On a line in the kernel's default modes, bytes that a terminal would take as editing,
    // signal or flow-control characters still belong to the code; so does the eighth bit.
    {"InterruptKept", Mode::kKernelDefaults, {"A\x03" "B\r"}, {u"A\x03" "B"}},
    {"EndOfFileKept", Mode::kKernelDefaults, {"A\x04" "B\r"}, {u"A\x04" "B"}},
    {"StartKept", Mode::kKernelDefaults, {"A\x11" "B\r"}, {u"A\x11" "B"}},
    {"ReprintKept", Mode::kKernelDefaults, {"A\x12" "B\r"}, {u"A\x12" "B"}},
    {"StopKept", Mode::kKernelDefaults, {"A\x13" "B\r"}, {u"A\x13" "B"}},
    {"KillKept", Mode::kKernelDefaults, {"A\x15" "B\r"}, {u"A\x15" "B"}},
    {"LiteralNextKept", Mode::kKernelDefaults, {"A\x16" "B\r"}, {u"A\x16" "B"}},
    {"WordEraseKept", Mode::kKernelDefaults, {"A\x17" "B\r"}, {u"A\x17" "B"}},
    {"SuspendKept", Mode::kKernelDefaults, {"A\x1A" "B\r"}, {u"A\x1A" "B"}},
    {"QuitKept", Mode::kKernelDefaults, {"A\x1C" "B\r"}, {u"A\x1C" "B"}},
    {"EraseKept", Mode::kKernelDefaults, {"A\x7F" "B\r"}, {u"A\x7F" "B"}},
    {"EighthBitKept", Mode::kKernelDefaults, {"A\xE9" "B\r"}, {u"A\u00E9" "B"}},
    {"CrLfOnADefaultLine", Mode::kKernelDefaults, {"12\r\n34\n"}, {u"12", u"", u"34"}},
    // The stop character is dropped wherever it comes and ends no code; CR and LF still do.
    {"StopCharDropped", Mode::kKernelDefaults, {"ABC\x1E" "DEF\x1E", "GHI\n"}, {u"ABCDEFGHI"},
     0x1E},
    {"StopCharAlone", Mode::kRaw, {"\x1E", "\x1E\r7\x1E\r"}, {u"", u"7"}, 0x1E},
    {"StopCharAlsoCr", Mode::kRaw, {"12\r34\r"}, {u"12", u"34"}, '\r'},
};

INSTANTIATE_TEST_SUITE_P(Scanner, FramingTest, ::testing::ValuesIn(kFramingCases),
                         [](const ::testing::TestParamInfo<FramingCase>& p) { return std::string(p.param.name); });

TEST_F(ScannerTest, LongCodeSpanningManyReadBuffers) {
    // Longer than a terminal's line limit, on a line in the kernel's default modes.
    attach(PtyScanner::Mode::kKernelDefaults);
    ASSERT_TRUE(component().call(u"Claim"));
    std::string code;
    for (int i = 0; i < 10000; ++i) code.push_back(static_cast<char>('0' + i % 10));
    scanner().send(code + "\r");
    expectCodes({std::u16string(code.begin(), code.end())});
}

TEST_F(ScannerTest, NothingIsSentBackToTheScanner) {
    // Many scanners take commands on the line they send on: the add-in must not echo.
    attach(PtyScanner::Mode::kKernelDefaults);
    ASSERT_TRUE(component().call(u"Claim"));
    scanner().send("4601234567890\r\x03\x11\x13\x7F\x1A\r");
    ASSERT_TRUE(m_host.waitForEvents(2, kDeadline));
    EXPECT_EQ(scanner().sentBack(std::chrono::milliseconds(200)), "");
}

}  // namespace
}  // namespace velmor_test
