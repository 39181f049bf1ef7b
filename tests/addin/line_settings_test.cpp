// The line settings reach the device when the port opens; values the line cannot take are
// replaced by their defaults, so the properties then show what applies.

#include <gtest/gtest.h>

#include <cctype>

#include "scanner_fixture.h"
#include "termios_recorder.h"

namespace velmor_test {
namespace {

struct SettingCase {
    const char16_t* prop;
    int32_t written;
    int32_t readBack;
    bool (*applied)(const termios&);
    const char* what;
    bool lineKeepsIt;  // a pseudo-terminal forces 8 data bits and no parity
};

bool speed_is(const termios& t, speed_t s) { return cfgetispeed(&t) == s && cfgetospeed(&t) == s; }
tcflag_t parity(const termios& t) { return t.c_cflag & (PARENB | PARODD | CMSPAR); }

const SettingCase kSettings[] = {
    {u"Speed", 1200, 1200, [](const termios& t) { return speed_is(t, B1200); }, "1200", true},
    {u"Speed", 2400, 2400, [](const termios& t) { return speed_is(t, B2400); }, "2400", true},
    {u"Speed", 4800, 4800, [](const termios& t) { return speed_is(t, B4800); }, "4800", true},
    {u"Speed", 9600, 9600, [](const termios& t) { return speed_is(t, B9600); }, "9600", true},
    {u"Speed", 19200, 19200, [](const termios& t) { return speed_is(t, B19200); }, "19200", true},
    {u"Speed", 38400, 38400, [](const termios& t) { return speed_is(t, B38400); }, "38400", true},
    {u"Speed", 57600, 57600, [](const termios& t) { return speed_is(t, B57600); }, "57600", true},
    {u"Speed", 115200, 9600, [](const termios& t) { return speed_is(t, B9600); }, "115200->9600", true},
    {u"Speed", -1, 9600, [](const termios& t) { return speed_is(t, B9600); }, "-1->9600", true},
    {u"DataBits", 5, 5, [](const termios& t) { return (t.c_cflag & CSIZE) == CS5; }, "5 bits", false},
    {u"DataBits", 6, 6, [](const termios& t) { return (t.c_cflag & CSIZE) == CS6; }, "6 bits", false},
    {u"DataBits", 7, 7, [](const termios& t) { return (t.c_cflag & CSIZE) == CS7; }, "7 bits", false},
    {u"DataBits", 8, 8, [](const termios& t) { return (t.c_cflag & CSIZE) == CS8; }, "8 bits", false},
    {u"DataBits", 9, 8, [](const termios& t) { return (t.c_cflag & CSIZE) == CS8; }, "9->8", false},
    {u"Parity", 0, 0, [](const termios& t) { return parity(t) == 0; }, "none", false},
    {u"Parity", 1, 1, [](const termios& t) { return parity(t) == (PARENB | PARODD); }, "odd", false},
    {u"Parity", 2, 2, [](const termios& t) { return parity(t) == PARENB; }, "even", false},
    {u"Parity", 3, 0, [](const termios& t) { return parity(t) == 0; }, "mark->none", false},
    {u"StopBits", 0, 0, [](const termios& t) { return (t.c_cflag & CSTOPB) == 0; }, "one", true},
    {u"StopBits", 2, 2, [](const termios& t) { return (t.c_cflag & CSTOPB) != 0; }, "two", true},
    {u"StopBits", 1, 0, [](const termios& t) { return (t.c_cflag & CSTOPB) == 0; }, "1->one", true},
    {u"StopChar", 4, 4, [](const termios& t) { return t.c_cc[VEOF] == 4; }, "EOF char 4", true},
};

// Every byte as it was sent, and nothing sent back: whatever the line's modes were before.
void expect_raw_input(const termios& t) {
    EXPECT_EQ(t.c_lflag & (ICANON | ISIG | IEXTEN | ECHO | ECHONL), 0u) << "local modes";
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | PARMRK), 0u)
        << "input processing";
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

class LineSettingsTest : public ScannerTest, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(LineSettingsTest, AppliedAtOpen) {
    const SettingCase& c = GetParam();
    attach(PtyScanner::Mode::kKernelDefaults);
    ASSERT_TRUE(component().setInt(c.prop, c.written));
    EXPECT_EQ(component().readInt(c.prop), c.written) << "settings wait for the next open";
    ASSERT_TRUE(component().call(u"Claim"));
    termios requested{};
    ASSERT_TRUE(requested_settings(scanner().path(), &requested)) << "no settings reached the line";
    EXPECT_TRUE(c.applied(requested)) << c.what;
    if (c.lineKeepsIt) {
        EXPECT_TRUE(c.applied(scanner().settings())) << c.what << " on the line";
    }
    EXPECT_EQ(component().readInt(c.prop), c.readBack) << c.what;
    expect_raw_input(requested);
    expect_raw_input(scanner().settings());
}

std::string case_name(const ::testing::TestParamInfo<SettingCase>& info) {
    std::string name;
    for (const char* c = info.param.what; *c != 0; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) name.push_back(*c);
    }
    return std::to_string(info.index) + "_" + name;
}

INSTANTIATE_TEST_SUITE_P(Device, LineSettingsTest, ::testing::ValuesIn(kSettings), case_name);

TEST_F(ScannerTest, SettingsChangedWhileOpenWaitForTheNextOpen) {
    attach(PtyScanner::Mode::kCanonical);
    ASSERT_TRUE(component().call(u"Claim"));
    ASSERT_TRUE(component().setInt(u"Speed", 2400));
    EXPECT_TRUE(speed_is(scanner().settings(), B9600));
    ASSERT_TRUE(component().call(u"Close"));
    ASSERT_TRUE(component().call(u"Claim"));
    EXPECT_TRUE(speed_is(scanner().settings(), B2400));
}

}  // namespace
}  // namespace velmor_test
