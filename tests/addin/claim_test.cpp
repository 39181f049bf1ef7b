// Claiming and releasing the device, and Claimed read as a probe.

#include <gtest/gtest.h>

#include <ostream>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "scanner_fixture.h"
#include "temp_folder.h"

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

std::u16string to_u16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

struct NotAPortCase {
    const char* name;
    // Makes the thing at `path`; returns a descriptor of ours still to close, or -1.
    std::function<int(const std::string& path)> make;
};

const NotAPortCase kNotAPort[] = {
    {"RegularFile",
     [](const std::string& path) {
         const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
         const std::string text = "root:x:0:0\nsecret\n";
         EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
         close(fd);
         return -1;
     }},
    {"Directory",
     [](const std::string& path) {
         EXPECT_EQ(mkdir(path.c_str(), 0700), 0);
         return -1;
     }},
    {"FifoWithDataWaiting",
     [](const std::string& path) {
         EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
         // Both ends, so the data stays in it; never blocking, whoever took it.
         const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK);
         EXPECT_EQ(write(fd, "secret\n", 7), 7);
         return fd;
     }},
};

void PrintTo(const NotAPortCase& c, std::ostream* out) { *out << c.name; }

class NotAPortTest : public ScannerTest, public ::testing::WithParamInterface<NotAPortCase> {};

// Nothing that is not a terminal is ever read through Port: it is refused exactly like a port
// that cannot be opened, and no descriptor of it stays open.
TEST_P(NotAPortTest, IsRefusedLikeAPortThatDoesNotOpen) {
    TempFolder folder;
    ASSERT_TRUE(folder.ok());
    const std::string path = folder.path() + "/not-a-port";
    const int ours = GetParam().make(path);
    ASSERT_TRUE(component().setText(u"Port", to_u16(path)));
    EXPECT_FALSE(component().call(u"Claim"));
    EXPECT_TRUE(component().readBool(u"Claimed")) << "reads as a port that cannot be opened";
    EXPECT_FALSE(m_host.waitForEvents(1, std::chrono::milliseconds(200)))
        << "something of it arrived as a code";
    struct stat target {};
    ASSERT_EQ(stat(path.c_str(), &target), 0);
    for (int fd = 0; fd < 1024; ++fd) {
        struct stat st {};
        if (fd == ours || fstat(fd, &st) != 0) continue;
        EXPECT_FALSE(st.st_dev == target.st_dev && st.st_ino == target.st_ino)
            << "descriptor " << fd << " still holds it";
    }
    if (ours >= 0) {
        char buffer[16] = {};
        EXPECT_EQ(read(ours, buffer, sizeof buffer), 7) << "the add-in took data from the pipe";
        close(ours);
    }
}

INSTANTIATE_TEST_SUITE_P(Claim, NotAPortTest, ::testing::ValuesIn(kNotAPort),
                         [](const ::testing::TestParamInfo<NotAPortCase>& p) {
                             return std::string(p.param.name);
                         });

TEST_F(ScannerTest, DevicesThatAreNoScannerLineAreRefused) {
    // A device that is not a terminal, and the master side of a new pseudo-terminal.
    for (const std::string port : {"/dev/null", "/dev/ptmx"}) {
        ASSERT_TRUE(component().setText(u"Port", to_u16(port)));
        EXPECT_FALSE(component().call(u"Claim")) << port;
        EXPECT_TRUE(component().readBool(u"Claimed")) << port;
    }
}

TEST_F(ScannerTest, EachClaimStartsWithAnEmptyCode) {
    attach(PtyScanner::Mode::kRaw);
    ASSERT_TRUE(component().call(u"Claim"));
    // One write reaches the line at once: when "X" has arrived, the rest has reached the line
    // too, and once the line is empty the add-in has read it.
    scanner().send("X\rSTALE");
    ASSERT_TRUE(m_host.waitForEvents(1, kDeadline)) << "waited for the first code";
    ASSERT_TRUE(scanner().waitUntilTaken(kDeadline)) << "the add-in did not read the rest";
    ASSERT_TRUE(component().call(u"Close"));
    PtyScanner other(PtyScanner::Mode::kRaw);
    ASSERT_TRUE(component().setText(u"Port", other.path16()));
    ASSERT_TRUE(component().call(u"Claim"));
    other.send("FRESH\r");
    expectCodes({u"X", u"FRESH"});
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
