// The add-in's costs, measured against baselines taken in the same run:
//  - CPU used by the process while one port is claimed and idle;
//  - latency from a write into the pty to the host's ExternalEvent, against a plain thread
//    blocked in read() on another pty;
//  - time for Close of an idle claimed port;
//  - throughput of a burst of codes written into the pty as fast as it takes them, against a
//    plain thread reading another pty in raw mode, every code checked for loss, duplication
//    and order.

#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "fake_host.h"
#include "pty_scanner.h"
#include "timing_host.h"

using namespace velmor_test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kScans = 1000;
constexpr int kBurstCodes = 100000;
constexpr int kBurstRounds = 61;

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double idle_cpu_percent(AddInLibrary& library, FakeMemoryManager& memory) {
    TimingHost host;
    Component component(library, host, memory);
    PtyScanner line;
    component.setText(u"Port", line.path16());
    component.call(u"Claim");
    const double before = cpu_seconds();
    std::this_thread::sleep_for(std::chrono::seconds(3));  // the idle span being measured
    const double used = cpu_seconds() - before;
    component.call(u"Close");
    return used / 3.0 * 100.0;
}

// A plain thread blocked in read() on its own pty: the least any reader can cost.
class PlainReader {
public:
    PlainReader() : m_fd(open(m_line.path().c_str(), O_RDONLY | O_NOCTTY)) {
        m_thread = std::thread([this] { run(); });
    }
    ~PlainReader() {
        m_line.unplug();  // the blocked read returns with an error
        m_thread.join();
        close(m_fd);
    }
    PtyScanner& line() { return m_line; }
    Clock::time_point waitForArrival(size_t index) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_arrived.wait(lock, [&] { return m_arrivals.size() > index; });
        return m_arrivals[index];
    }

private:
    void run() {
        char buffer[1000];
        while (read(m_fd, buffer, sizeof buffer) > 0) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_arrivals.push_back(Clock::now());
            m_arrived.notify_all();
        }
    }

    PtyScanner m_line;
    int m_fd;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Clock::time_point> m_arrivals;
};

double micros_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// Scans alternate between the add-in and the plain reader, so both meet the same load.
void scan_latencies(AddInLibrary& library, FakeMemoryManager& memory, std::vector<double>* addin,
                    std::vector<double>* plain) {
    TimingHost host;
    Component component(library, host, memory);
    PtyScanner line;
    component.setText(u"Port", line.path16());
    component.call(u"Claim");
    PlainReader baseline;
    for (int i = 0; i < kScans; ++i) {
        Clock::time_point sent = Clock::now();
        baseline.line().send("4601234567890\r");
        plain->push_back(micros_between(sent, baseline.waitForArrival(i)));
        sent = Clock::now();
        line.send("4601234567890\r");
        addin->push_back(micros_between(sent, host.waitForArrival(i)));
    }
    component.call(u"Close");
}

// Codes numbered 0, 1, 2, ...: notes every one that is not the next, and when the last came.
class SequenceCheck {
public:
    void code(unsigned long number) {
        if (number != m_count) ++m_faults;
        if (++m_count == kBurstCodes) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_finished = Clock::now();
            m_done = true;
            m_doneSignal.notify_all();
        }
    }
    // False when the burst did not arrive whole within the deadline.
    bool waitForAll(std::chrono::seconds deadline, Clock::time_point* finished) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_doneSignal.wait_for(lock, deadline, [&] { return m_done; })) return false;
        *finished = m_finished;
        return true;
    }
    unsigned long faults() const { return m_faults.load(); }
    unsigned long count() const { return m_count.load(); }

private:
    std::atomic<unsigned long> m_count{0};
    std::atomic<unsigned long> m_faults{0};
    std::mutex m_mutex;
    std::condition_variable m_doneSignal;
    bool m_done = false;
    Clock::time_point m_finished;
};

// A host that keeps nothing but the check of each code's number, and whose own operations
// cost next to nothing, so that what is measured is the add-in.
class SequenceHost : public FakeHost {
public:
    long GetEventBufferDepth() override { return m_depth.load(std::memory_order_relaxed); }
    bool SetEventBufferDepth(long depth) override {
        m_depth.store(depth, std::memory_order_relaxed);
        return true;
    }
    bool ExternalEvent(uint16_t*, uint16_t*, uint16_t* data) override {
        unsigned long number = 0;
        for (; *data != 0; ++data) number = number * 10 + (*data - u'0');
        m_check.code(number);
        return true;
    }
    SequenceCheck& check() { return m_check; }

private:
    std::atomic<long> m_depth{1};
    SequenceCheck m_check;
};

// The same check made by a plain thread reading its own pty in raw mode.
class PlainRawReader {
public:
    PlainRawReader() : m_line(PtyScanner::Mode::kRaw),
                       m_fd(open(m_line.path().c_str(), O_RDONLY | O_NOCTTY)) {
        m_thread = std::thread([this] { run(); });
    }
    ~PlainRawReader() {
        m_line.unplug();  // the blocked read returns with an error
        m_thread.join();
        close(m_fd);
    }
    PtyScanner& line() { return m_line; }
    SequenceCheck& check() { return m_check; }

private:
    void run() {
        char buffer[4096];  // the add-in's read size
        unsigned long number = 0;
        ssize_t count = 0;
        while ((count = read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t i = 0; i < count; ++i) {
                if (buffer[i] == '\r') {
                    m_check.code(number);
                    number = 0;
                } else {
                    number = number * 10 + static_cast<unsigned long>(buffer[i] - '0');
                }
            }
        }
    }

    PtyScanner m_line;
    int m_fd;
    SequenceCheck m_check;
    std::thread m_thread;
};

std::string burst_bytes() {
    std::string bytes;
    char code[16];
    for (int i = 0; i < kBurstCodes; ++i) {
        bytes.append(code, static_cast<size_t>(std::snprintf(code, sizeof code, "%07d\r", i)));
    }
    return bytes;
}

struct BurstResult {
    double codesPerSecond = 0;
    bool whole = false;  // every code once, in order, within the deadline
};

BurstResult time_burst(PtyScanner& line, SequenceCheck& check, const std::string& bytes) {
    const Clock::time_point start = Clock::now();
    line.send(bytes);
    Clock::time_point finished;
    BurstResult result;
    if (!check.waitForAll(std::chrono::seconds(60), &finished)) return result;
    result.codesPerSecond = kBurstCodes / std::chrono::duration<double>(finished - start).count();
    result.whole = check.faults() == 0 && check.count() == kBurstCodes;
    return result;
}

BurstResult addin_burst(AddInLibrary& library, FakeMemoryManager& memory,
                        const std::string& bytes) {
    SequenceHost host;
    Component component(library, host, memory);
    PtyScanner line(PtyScanner::Mode::kRaw);
    component.setText(u"Port", line.path16());
    component.call(u"Claim");
    const BurstResult result = time_burst(line, host.check(), bytes);
    component.call(u"Close");
    return result;
}

BurstResult plain_burst(const std::string& bytes) {
    PlainRawReader reader;
    return time_burst(reader.line(), reader.check(), bytes);
}

// Rounds alternate between the two readers, each going first in every other round, so both
// meet the same load; the medians of the rounds are compared.
void burst_throughput(AddInLibrary& library, FakeMemoryManager& memory) {
    const std::string bytes = burst_bytes();
    std::vector<double> addin, plain;
    bool whole = true;
    for (int round = 0; round < kBurstRounds; ++round) {
        BurstResult a, p;
        if (round % 2 == 0) {
            a = addin_burst(library, memory, bytes);
            p = plain_burst(bytes);
        } else {
            p = plain_burst(bytes);
            a = addin_burst(library, memory, bytes);
        }
        whole = whole && a.whole && p.whole;
        addin.push_back(a.codesPerSecond);
        plain.push_back(p.codesPerSecond);
    }
    std::printf("burst of %d codes, median of %d rounds: add-in %.0f codes/s, plain raw read "
                "%.0f codes/s, ratio %.2f (goal >= 0.8); every code once and in order: %s\n",
                kBurstCodes, kBurstRounds, median(addin), median(plain),
                median(addin) / median(plain), whole ? "yes" : "NO");
}

double close_micros(AddInLibrary& library, FakeMemoryManager& memory) {
    TimingHost host;
    Component component(library, host, memory);
    PtyScanner line;
    component.setText(u"Port", line.path16());
    std::vector<double> micros;
    for (int i = 0; i < 50; ++i) {
        component.call(u"Claim");
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // let the thread block
        const Clock::time_point start = Clock::now();
        component.call(u"Close");
        micros.push_back(micros_between(start, Clock::now()));
    }
    return median(micros);
}

}  // namespace

int main() {
    AddInLibrary library(addin_path());
    if (!library.loaded()) {
        std::fprintf(stderr, "%s\n", library.error().c_str());
        return 1;
    }
    FakeMemoryManager memory;

    const double idle = idle_cpu_percent(library, memory);
    std::printf("idle claimed port: %.4f%% of one core over 3 s (goal < 0.1%%)\n", idle);

    std::vector<double> addinMicros, plainMicros;
    scan_latencies(library, memory, &addinMicros, &plainMicros);
    const double addin = median(addinMicros);
    const double plain = median(plainMicros);
    std::printf("scan latency, median of %d: add-in %.1f us, plain blocked read %.1f us, "
                "ratio %.2f (goal <= 1.2)\n",
                kScans, addin, plain, addin / plain);

    std::printf("Close of an idle claimed port: median %.1f us (goal < 1000 us)\n",
                close_micros(library, memory));

    burst_throughput(library, memory);
    return 0;
}
