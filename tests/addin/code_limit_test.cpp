// A code is bounded: a device that never sends a terminator cannot take all memory, and
// nothing it sends is lost.

#include <gtest/gtest.h>

#include <ostream>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "scanner_fixture.h"

namespace velmor_test {
namespace {

constexpr size_t kCodeLimit = 64 * 1024;  // the add-in's bound on one code

std::string pattern(size_t length, size_t offset = 0) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>('a' + (offset + i) % 26);
    return bytes;
}

struct LimitCase {
    const char* name;
    size_t length;                // bytes sent, then CR
    std::vector<size_t> lengths;  // the codes that arrive
};

void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.name; }

class CodeLimitTest : public ScannerTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(CodeLimitTest, LongCodeIsDeliveredInPiecesOfTheLimit) {
    const LimitCase& c = GetParam();
    attach(PtyScanner::Mode::kRaw);
    ASSERT_TRUE(component().call(u"Claim"));
    const std::string sent = pattern(c.length);
    scanner().send(sent + "\r");
    ASSERT_TRUE(m_host.waitForEvents(c.lengths.size(), kDeadline));
    std::vector<size_t> lengths;
    std::u16string joined;
    for (const std::u16string& code : codes()) {
        lengths.push_back(code.size());
        joined += code;
    }
    EXPECT_EQ(lengths, c.lengths);
    EXPECT_TRUE(joined == std::u16string(sent.begin(), sent.end())) << "bytes lost or changed";
}

const LimitCase kLimitCases[] = {
    {"JustBelow", kCodeLimit - 1, {kCodeLimit - 1}},
    {"Exactly", kCodeLimit, {kCodeLimit}},
    {"JustAbove", kCodeLimit + 1, {kCodeLimit, 1}},
};

INSTANTIATE_TEST_SUITE_P(Scanner, CodeLimitTest, ::testing::ValuesIn(kLimitCases),
                         [](const ::testing::TestParamInfo<LimitCase>& p) {
                             return std::string(p.param.name);
                         });

// Counts what arrives and keeps nothing, so the test's own memory stays flat.
class CountingHost : public FakeHost {
public:
    bool ExternalEvent(uint16_t*, uint16_t*, uint16_t* data) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (; *data != 0; ++data, ++m_total) {
            m_inOrder = m_inOrder && *data == 'a' + m_total % 26;
        }
        ++m_codes;
        m_arrived.notify_all();
        return true;
    }
    bool waitForCodes(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] { return m_codes >= count; });
    }
    size_t total() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_total;
    }
    bool inOrder() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_inOrder;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    size_t m_codes = 0;
    size_t m_total = 0;
    bool m_inOrder = true;
};

long resident_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMemoryIsMeasurable = false;  // the sanitizers keep freed memory and shadows
#else
constexpr bool kMemoryIsMeasurable = true;
#endif

TEST_F(ScannerTest, EndlessInputWithoutTerminatorKeepsMemoryBounded) {
    constexpr size_t kStream = 64 * 1024 * 1024;
    constexpr size_t kChunk = 64 * 1024;
    CountingHost host;
    Component counted(m_library, host, m_memory);
    PtyScanner line(PtyScanner::Mode::kRaw);
    ASSERT_TRUE(counted.setText(u"Port", line.path16()));
    ASSERT_TRUE(counted.call(u"Claim"));
    const long before = resident_kib();

    for (size_t sent = 0; sent < kStream; sent += kChunk) line.send(pattern(kChunk, sent));
    ASSERT_TRUE(line.waitUntilTaken(std::chrono::seconds(60))) << "the add-in stopped reading";
    ASSERT_TRUE(host.waitForCodes(kStream / kCodeLimit - 1, std::chrono::seconds(60)));
    const long grown = resident_kib() - before;

    line.send("\r");
    ASSERT_TRUE(host.waitForCodes(kStream / kCodeLimit, kDeadline));
    EXPECT_EQ(host.total(), kStream) << "bytes lost";
    EXPECT_TRUE(host.inOrder()) << "bytes changed or reordered";
    if (kMemoryIsMeasurable) {
        EXPECT_LT(grown, 16 * 1024) << "resident memory grew by " << grown << " KiB";
    }
}

}  // namespace
}  // namespace velmor_test
