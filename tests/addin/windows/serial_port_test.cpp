// The Windows port reader under Wine, through the add-in's exports: the scanner line is a
// pseudo-terminal that Wine maps to a COM port (pty_relay.cpp).

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <future>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "component_fixture.h"
#include "scanner_line.h"

namespace velmor_test {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kEventDeadline{5000};
constexpr milliseconds kCloseDeadline{2000};

class WindowsReaderTest : public ComponentFixture {
protected:
    ScannerLine m_line;

    void SetUp() override {
        ComponentFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(m_line.error(), "");
        ASSERT_TRUE(component().setText(u"Port", scanner_port()));
    }

    std::vector<std::u16string> codes() const {
        std::vector<std::u16string> data;
        for (const RecordedEvent& event : m_host.events()) data.push_back(event.data);
        return data;
    }

    // Close on another thread, so that a Close that hangs is reported instead of hanging the
    // run. Such a reader can never be torn down safely, so the program ends there.
    void closeWithin(milliseconds deadline, const char* situation) {
        auto closed = std::make_shared<std::promise<void>>();
        std::future<void> done = closed->get_future();
        std::thread([this, closed] {
            component().call(u"Close");
            closed->set_value();
        }).detach();
        if (done.wait_for(deadline) == std::future_status::ready) return;
        std::fprintf(stderr, "FAILED: Close did not return within %lld ms %s\n",
                     static_cast<long long>(deadline.count()), situation);
        std::fflush(nullptr);
        std::_Exit(1);
    }
};

TEST_F(WindowsReaderTest, ClaimedPortDeliversEachCodeAsAnEvent) {
    ASSERT_TRUE(component().call(u"Claim"));
    EXPECT_TRUE(component().readBool(u"Claimed"));
    ASSERT_TRUE(m_line.send("4006381333931\r"));
    ASSERT_TRUE(m_host.waitForEvents(1, kEventDeadline)) << "waited for the scanned code";
    const RecordedEvent event = m_host.events().at(0);
    EXPECT_EQ(event.source, u"Scandor");
    EXPECT_EQ(event.message, u"Barcode");
    EXPECT_EQ(event.data, u"4006381333931");
    EXPECT_EQ(event.depthWhenRaised, 100);
}

TEST_F(WindowsReaderTest, CodeInterruptedByALongPauseArrivesWhole) {
    ASSERT_TRUE(component().call(u"Claim"));
    ASSERT_TRUE(m_line.send("12"));
    // The scanner pausing longer than the read interval (100 ms): the first block completes
    // with "12" alone, and the rest of the code comes in the next one.
    std::this_thread::sleep_for(milliseconds(300));
    ASSERT_TRUE(m_line.send("3\rend\r"));
    ASSERT_TRUE(m_host.waitForEvents(2, kEventDeadline)) << "waited for two codes";
    EXPECT_EQ(codes(), (std::vector<std::u16string>{u"123", u"end"}));
}

TEST_F(WindowsReaderTest, CloseEndsAPendingReadAtOnceAndThePortOpensAgain) {
    ASSERT_TRUE(component().call(u"Claim"));
    // No input: the reader thread is inside a read that only the stop event can end.
    closeWithin(kCloseDeadline, "while a read was pending");
    EXPECT_FALSE(component().readBool(u"Claimed"));

    ASSERT_TRUE(component().call(u"Claim"));
    ASSERT_TRUE(m_line.send("again\n"));
    ASSERT_TRUE(m_host.waitForEvents(1, kEventDeadline)) << "waited for a code after reopening";
    EXPECT_EQ(codes(), std::vector<std::u16string>{u"again"});
}

TEST_F(WindowsReaderTest, FailedClaimLeavesNothingInTheWayOfTheNext) {
    // No such device on any machine (Wine opens a COM name mapped to a missing device).
    ASSERT_TRUE(component().setText(u"Port", u"\\\\.\\VelmorNoSuchPort"));
    EXPECT_FALSE(component().call(u"Claim"));
    EXPECT_TRUE(component().readBool(u"Claimed")) << "a port that cannot be opened reads as taken";

    ASSERT_TRUE(component().setText(u"Port", scanner_port()));
    ASSERT_TRUE(component().call(u"Claim"));
    EXPECT_TRUE(component().readBool(u"Claimed"));
    ASSERT_TRUE(m_line.send("after\r"));
    ASSERT_TRUE(m_host.waitForEvents(1, kEventDeadline)) << "waited for a code after a failed Claim";
    EXPECT_EQ(codes(), std::vector<std::u16string>{u"after"});
}

// A claim reads only a communications device, never a file the name happens to open.
TEST_F(WindowsReaderTest, APlainFileIsNotAPort) {
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameW(folder, L"vlm", 0, path), 0u);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "secret\r\n", 8, &written, nullptr);
    CloseHandle(file);

    ASSERT_TRUE(component().setText(u"Port", std::u16string(path, path + wcslen(path))));
    EXPECT_FALSE(component().call(u"Claim"));
    EXPECT_TRUE(component().readBool(u"Claimed")) << "a file reads as a port that cannot be opened";
    DeleteFileW(path);
    // The claim that failed left nothing behind: the real port claims and reads.
    ASSERT_TRUE(component().setText(u"Port", scanner_port()));
    ASSERT_TRUE(component().call(u"Claim"));
    ASSERT_TRUE(m_line.send("after\r"));
    ASSERT_TRUE(m_host.waitForEvents(1, kEventDeadline)) << "waited for a code after the file";
    EXPECT_EQ(codes(), std::vector<std::u16string>{u"after"}) << "nothing of the file arrives";
}

// The driver keeps the end-of-file character in the data; the framing drops it, as on Linux.
TEST_F(WindowsReaderTest, StopCharacterIsDroppedAndEndsNoCode) {
    ASSERT_TRUE(component().setInt(u"StopChar", 0x1E));
    ASSERT_TRUE(component().call(u"Claim"));
    ASSERT_TRUE(m_line.send("ABC\x1E" "DEF\x1E" "GHI\n"));
    ASSERT_TRUE(m_host.waitForEvents(1, kEventDeadline)) << "waited for the code";
    EXPECT_EQ(codes(), std::vector<std::u16string>{u"ABCDEFGHI"});
}

TEST_F(WindowsReaderTest, EachClaimStartsWithAnEmptyCode) {
    ASSERT_TRUE(component().call(u"Claim"));
    // One block: once "X" has arrived, "STALE" has been framed too.
    ASSERT_TRUE(m_line.send("X\rSTALE"));
    ASSERT_TRUE(m_host.waitForEvents(1, kEventDeadline)) << "waited for the first code";
    closeWithin(kCloseDeadline, "after a partial code");
    ASSERT_TRUE(component().call(u"Claim"));
    ASSERT_TRUE(m_line.send("FRESH\r"));
    ASSERT_TRUE(m_host.waitForEvents(2, kEventDeadline)) << "waited for the code after Claim";
    EXPECT_EQ(codes(), (std::vector<std::u16string>{u"X", u"FRESH"}));
}

double process_cpu_seconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;  // 100 ns units
}

TEST_F(WindowsReaderTest, DeviceWhoseReadsFailIsRetriedWithoutSpinning) {
    ASSERT_TRUE(component().setText(u"Port", dead_port()));
    ASSERT_TRUE(component().call(u"Claim"));
    std::string why;
    ASSERT_TRUE(m_line.hangUpDeadPort(&why)) << why;
    const double before = process_cpu_seconds();
    // A measuring window, not a wait for something: every read on the hung-up line fails at
    // once, and a reader retrying without pause would burn a whole core through it.
    std::this_thread::sleep_for(milliseconds(1000));
    const double used = process_cpu_seconds() - before;
    EXPECT_LT(used, 0.1) << "the reader thread spun on a failing device";
    closeWithin(kCloseDeadline, "while the reader retried a failing device");
}

struct LineCase {
    const char* name;
    int speed;
    int parity;  // the control block's codes: 1 odd, 3 mark, 4 space
    int stopBits;
    int stopChar;
    // What the device then holds (a pty keeps the parity kind bits, not parity-enable).
    bool parodd;
    bool cmspar;
    bool twoStopBits;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class LineSettingsTest : public WindowsReaderTest,
                         public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineSettingsTest, ReachTheDeviceAsTheyAre) {
    const LineCase& c = GetParam();
    ASSERT_TRUE(component().setInt(u"Speed", c.speed));
    ASSERT_TRUE(component().setInt(u"Parity", c.parity));
    ASSERT_TRUE(component().setInt(u"StopBits", c.stopBits));
    ASSERT_TRUE(component().setInt(u"StopChar", c.stopChar));
    ASSERT_TRUE(component().call(u"Claim"));

    DeviceSettings device;
    std::string why;
    ASSERT_TRUE(m_line.deviceSettings(&device, &why)) << why;
    EXPECT_EQ(device.speed, static_cast<unsigned>(c.speed));
    EXPECT_EQ(device.parodd, c.parodd);
    EXPECT_EQ(device.cmspar, c.cmspar);
    EXPECT_EQ(device.twoStopBits, c.twoStopBits);
    EXPECT_EQ(device.eofChar, static_cast<unsigned>(c.stopChar));
    // Unlike the Linux reader, nothing is replaced by a default.
    EXPECT_EQ(component().readInt(u"Speed"), c.speed);
    EXPECT_EQ(component().readInt(u"Parity"), c.parity);
    EXPECT_EQ(component().readInt(u"StopBits"), c.stopBits);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, LineSettingsTest,
    ::testing::Values(LineCase{"MarkParityAt115200", 115200, 3, 0, 0x1A, true, true, false},
                      LineCase{"SpaceParityTwoStopBits", 1200, 4, 2, 0x04, false, true, true},
                      LineCase{"OddParity", 19200, 1, 0, 0, true, false, false},
                      LineCase{"NoParityTwoStopBits", 57600, 0, 2, 0x03, false, false, true}),
    [](const ::testing::TestParamInfo<LineCase>& param) { return std::string(param.param.name); });

using WindowsLocaleTest = ComponentFixture;

TEST_F(WindowsLocaleTest, SetLocaleSetsTheRuntimeToRussianWhateverItIsGiven) {
    std::setlocale(LC_ALL, "C");
    const std::vector<uint16_t> english = to_interface(u"en_US");
    component()->SetLocale(english.data());
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(locale.rfind("Russian_Russia", 0), 0u) << locale;
}

}  // namespace
}  // namespace velmor_test
