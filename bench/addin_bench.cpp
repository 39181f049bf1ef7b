// The add-in's costs, measured against baselines taken in the same run:
//  - CPU used by the process while one port is claimed and idle;
//  - latency from a write into the pty to the host's ExternalEvent, against a plain thread
//    blocked in read() on another pty;
//  - time for Close of an idle claimed port.

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

constexpr int kScans = 300;

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
    return 0;
}
