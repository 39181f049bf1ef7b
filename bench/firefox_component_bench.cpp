// The Firefox component's delivery, in the test browser:
//  - a scan to the page's externalEvent on the main thread, over spaced scans, beside the time
//    the same kind of scan takes to reach the add-in's event callback (the add-in under a
//    plain host, alternating with the component so both meet the same load);
//  - a burst of codes: all delivered in order, the largest batch one delivery run handed to
//    the page (the queue's length as the main thread found it), and the main thread's time per
//    delivered event.

#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "pty_scanner.h"
#include "service_interfaces.h"
#include "test_page.h"
#include "timing_host.h"
#include "xpcom_runtime/test_browser.h"

using namespace velmor_test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kScans = 300;
constexpr int kBurst = 10000;
constexpr std::chrono::milliseconds kDeadline{10000};

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * v.size()))];
}

double millis_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double thread_cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// The component with a claimed Scandor site on `line`.
struct ClaimedComponent {
    ClaimedComponent(xpcom_runtime::TestBrowser& browser, TestPage* page, PtyScanner& line) {
        service = browser.create<IAddInServiceEx4>("@velmor.net/Quillon;1");
        if (!service) return;
        service->Init2(page);
        bool loaded = false;
        service->LoadAddIn(u"", u"bench", 0, &loaded);
        service->CreateInstanceExt(u"Scandor", getter_AddRefs(site));
        if (!site) return;
        site->SetPropertyValue(u"Port", string_variant(line.path16()));
        nsCOMPtr<nsIVariant> result;
        site->Call(u"Claim", nullptr, getter_AddRefs(result));
    }
    ~ClaimedComponent() {
        nsCOMPtr<nsIVariant> result;
        if (site) site->Call(u"Close", nullptr, getter_AddRefs(result));
    }
    nsCOMPtr<IAddInServiceEx4> service;
    nsCOMPtr<IAddInSiteExt> site;
};

bool spaced_scans(xpcom_runtime::TestBrowser& browser, std::vector<double>* page,
                  std::vector<double>* callback) {
    AddInLibrary library(addin_path());
    FakeMemoryManager memory;
    TimingHost host;
    Component plain(library, host, memory);
    PtyScanner plainLine;
    plain.setText(u"Port", plainLine.path16());
    plain.call(u"Claim");

    nsCOMPtr<TestPage> listener = new TestPage();
    PtyScanner line;
    ClaimedComponent component(browser, listener, line);
    if (!component.site) return false;
    Clock::time_point delivered;
    listener->m_onEvent = [&](const char16_t*) { delivered = Clock::now(); };

    std::mt19937 random(7);
    std::uniform_int_distribution<int> gap(0, 9999);  // microseconds: any phase of the timer
    for (int i = 0; i < kScans; ++i) {
        Clock::time_point sent = Clock::now();
        plainLine.send("4601234567890\r");
        callback->push_back(millis_between(sent, host.waitForArrival(i)));

        // Spacing: the next scan meets the timer at any phase.
        std::this_thread::sleep_for(std::chrono::microseconds(gap(random)));
        sent = Clock::now();
        line.send("4601234567890\r");
        const size_t want = static_cast<size_t>(i) + 1;
        if (!browser.run_until([&] { return listener->count("externalEvent") == want; }, kDeadline)) {
            std::fprintf(stderr, "scan %d did not reach the page\n", i);
            return false;
        }
        page->push_back(millis_between(sent, delivered));
    }
    plain.call(u"Close");
    return true;
}

bool burst(xpcom_runtime::TestBrowser& browser) {
    nsCOMPtr<TestPage> listener = new TestPage();
    PtyScanner line(PtyScanner::Mode::kRaw);
    ClaimedComponent component(browser, listener, line);
    if (!component.site) return false;

    std::vector<std::u16string> codes;
    codes.reserve(kBurst);
    size_t largestBatch = 0, batch = 0, runs = 0;
    uint64_t batchRun = ~0ull;
    listener->m_onEvent = [&](const char16_t* data) {
        codes.emplace_back(data);
        const uint64_t run = browser.events_run();
        if (run != batchRun) ++runs;
        batch = run == batchRun ? batch + 1 : 1;
        batchRun = run;
        largestBatch = std::max(largestBatch, batch);
    };
    std::string bytes;
    for (int i = 0; i < kBurst; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "B%05d\r", i);
        bytes += code;
    }
    const double cpuBefore = thread_cpu_seconds();
    const Clock::time_point start = Clock::now();
    std::thread writer([&] { line.send(bytes); });
    const bool all = browser.run_until([&] { return codes.size() >= kBurst; }, kDeadline);
    const double wall = millis_between(start, Clock::now());
    const double cpu = thread_cpu_seconds() - cpuBefore;
    writer.join();
    if (!all) {
        std::fprintf(stderr, "burst: %zu of %d codes delivered\n", codes.size(), kBurst);
        return false;
    }
    bool inOrder = codes.size() == static_cast<size_t>(kBurst);
    for (int i = 0; inOrder && i < kBurst; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "B%05d", i);
        inOrder = codes[i] == utf16(code);
    }
    // One run goes on while elements remain, so its batch counts what it found queued and
    // what the reader added while it delivered: the longest the queue grew ahead of the page.
    std::printf("burst of %d codes: %s in %.1f ms over %zu delivery runs; queue peak (largest "
                "batch of one run) %zu; main thread %.2f us per delivered event\n",
                kBurst, inOrder ? "all delivered in order" : "NOT ALL IN ORDER", wall, runs,
                largestBatch, cpu * 1e6 / kBurst);
    return inOrder;
}

}  // namespace

int main() {
    xpcom_runtime::TestBrowser browser;
    std::string error;
    if (browser.load_component(VELMOR_FIREFOX_COMPONENT, &error) != NS_OK) {
        std::fprintf(stderr, "cannot load the component: %s\n", error.c_str());
        return 1;
    }
    std::vector<double> page, callback;
    if (!spaced_scans(browser, &page, &callback)) return 1;
    const double median = percentile(page, 0.5), p99 = percentile(page, 0.99);
    std::printf("scan to the page's externalEvent on the main thread, %d spaced scans: median "
                "%.2f ms (bound 6), p99 %.2f ms (bound 12); to the add-in's event callback: "
                "median %.3f ms, p99 %.3f ms\n",
                kScans, median, p99, percentile(callback, 0.5), percentile(callback, 0.99));
    return burst(browser) ? 0 : 1;
}
