// Claiming and releasing the device, and Claimed read as a probe.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "scanner_fixture.h"

namespace velmor_test {
namespace {

TEST_F(ScannerTest, ClaimOpensAndCloseReleases) {
    attach(PtyScanner::Mode::kCanonical);
    EXPECT_TRUE(component().call(u"Claim"));
    EXPECT_EQ(scanner().openersInProcess(), 1);
    EXPECT_TRUE(component().readBool(u"Claimed"));
    EXPECT_TRUE(component().call(u"Close"));
    EXPECT_EQ(scanner().openersInProcess(), 0);
    EXPECT_TRUE(component().call(u"Close"));  // closing twice is harmless
}

TEST_F(ScannerTest, WritingClaimedClaimsAndReleases) {
    attach(PtyScanner::Mode::kCanonical);
    EXPECT_TRUE(component().setBool(u"Claimed", true));
    EXPECT_EQ(scanner().openersInProcess(), 1);
    EXPECT_TRUE(component().setBool(u"Claimed", false));
    EXPECT_EQ(scanner().openersInProcess(), 0);
}

TEST_F(ScannerTest, SecondClaimKeepsTheOpenDevice) {
    attach(PtyScanner::Mode::kCanonical);
    ASSERT_TRUE(component().call(u"Claim"));
    ASSERT_TRUE(component().setInt(u"Speed", 19200));
    EXPECT_TRUE(component().call(u"Занять"));
    EXPECT_EQ(scanner().openersInProcess(), 1);
    EXPECT_EQ(cfgetispeed(&static_cast<const termios&>(scanner().settings())), B9600)
        << "a second Claim must not reopen the device with the new settings";
}

TEST_F(ScannerTest, ReadingClaimedOfAFreePortProbesAndLeavesItClosed) {
    attach(PtyScanner::Mode::kCanonical);
    ASSERT_TRUE(component().setInt(u"Speed", 4800));
    EXPECT_FALSE(component().readBool(u"Claimed"));
    EXPECT_EQ(scanner().openersInProcess(), 0);
    // The probe opened the device, so the line settings were applied to it.
    EXPECT_EQ(cfgetispeed(&static_cast<const termios&>(scanner().settings())), B4800);
    scanner().send("1\n");
    EXPECT_FALSE(m_host.waitForEvents(1, std::chrono::milliseconds(100)));
}

TEST_F(ScannerTest, AnAbsentPortCannotBeClaimed) {
    ASSERT_TRUE(component().setText(u"Port", u"/dev/no-such-scanner"));
    EXPECT_FALSE(component().call(u"Claim"));
    EXPECT_TRUE(component().readBool(u"Claimed")) << "an absent port reads as taken";
    EXPECT_TRUE(component().setBool(u"Claimed", true));  // the write itself is accepted
    EXPECT_TRUE(component().readBool(u"Claimed"));
}

TEST_F(ScannerTest, ClaimAgainAfterClose) {
    attach(PtyScanner::Mode::kCanonical);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(component().call(u"Claim"));
        scanner().send(std::to_string(round) + "\n");
        ASSERT_TRUE(m_host.waitForEvents(round + 1, kDeadline)) << "round " << round;
        ASSERT_TRUE(component().call(u"Close"));
    }
    EXPECT_EQ(codes(), (std::vector<std::u16string>{u"0", u"1", u"2"}));
}

TEST_F(ScannerTest, DestroyingAClaimedComponentReleasesThePort) {
    attach(PtyScanner::Mode::kCanonical);
    ASSERT_TRUE(component().call(u"Claim"));
    m_component.reset();
    EXPECT_EQ(scanner().openersInProcess(), 0);
}

TEST_F(ScannerTest, DeviceIsNeitherControllingTerminalNorInherited) {
    attach(PtyScanner::Mode::kCanonical);
    ASSERT_TRUE(component().call(u"Claim"));
    bool found = false;
    for (int fd = 0; fd < 1024; ++fd) {
        const int flags = fcntl(fd, F_GETFD);
        if (flags < 0 || !isatty(fd)) continue;
        const char* name = ttyname(fd);
        if (name == nullptr || scanner().path() != name) continue;
        found = true;
        EXPECT_TRUE(flags & FD_CLOEXEC) << "child processes would inherit the scanner";
    }
    EXPECT_TRUE(found);
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST_F(ScannerTest, AnUnpluggedScannerDoesNotMakeTheReaderSpin) {
    attach(PtyScanner::Mode::kRaw);
    ASSERT_TRUE(component().call(u"Claim"));
    scanner().unplug();  // reads now fail at once
    const double before = cpu_seconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the span being measured
    const double used = cpu_seconds() - before;
    EXPECT_LT(used, 0.1) << "the reader spun for " << used << " s of CPU in 0.5 s";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(component().call(u"Close"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

}  // namespace
}  // namespace velmor_test
