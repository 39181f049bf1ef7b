// The page-thread event queue under floods, as a compiled client: a producer that never
// pauses leaves the page its message loop and the process bounded memory, a burst arrives
// whole and in order, and a page thread that does not run its loop slows no other.

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <thread>

#include "com_ref.h"
#include "fixed_listener.h"
#include "quillon_ie.h"
#include "server_interfaces.h"

namespace {

using velmor_test::create;
using velmor_test::Ref;

// Keeps the calling thread working for `us` microseconds: a page's handler that is slow.
void work_for(LONGLONG us) {
    LARGE_INTEGER frequency, start, t;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const LONGLONG ticks = frequency.QuadPart * us / 1000000;
    do {
        QueryPerformanceCounter(&t);
    } while (t.QuadPart - start.QuadPart < ticks);
}

// A page's listener that counts the events it is given and checks that their numbers (the
// data text) only grow: nothing reordered, nothing twice. Nothing is kept per event; a slow
// one spends `handlerUs` on each until the tick count `slowUntil`.
class CountingListener : public velmor_test::FixedListener {
public:
    CountingListener() = default;
    CountingListener(LONGLONG handlerUs, ULONGLONG slowUntil)
        : m_handlerUs(handlerUs), m_slowUntil(slowUntil) {}
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
        ids[0] = 1;
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        if (params->cArgs != 3 || params->rgvarg[0].vt != VT_BSTR) return S_OK;
        const unsigned long number = std::wcstoul(params->rgvarg[0].bstrVal, nullptr, 10);
        if (number <= m_last) ++m_outOfOrder;
        m_last = number;
        ++m_delivered;
        if (GetTickCount64() < m_slowUntil) work_for(m_handlerUs);
        return S_OK;
    }
    long m_delivered = 0;
    long m_outOfOrder = 0;
    unsigned long m_last = 0;

private:
    const LONGLONG m_handlerUs = 0;
    const ULONGLONG m_slowUntil = 0;
};

// A page: a service on this thread (its timer drains the queue here) and a site whose
// add-in callbacks reach `listener`.
struct Page {
    explicit Page(CountingListener* listener) {
        if (FAILED(create(CLSID_AddInServiceEx, IID_IDispatch, service.putVoid()))) return;
        Ref<quillon::ISiteEx> site;
        if (FAILED(create(CLSID_AddInSite, quillon::IID_ISiteEx, site.putVoid()))) return;
        site->setListener(listener);
        site->QueryInterface(quillon::IID_IInnerListener, inner.putVoid());
    }
    Ref<IDispatch> service;
    Ref<quillon::IInnerListener> inner;
};

// Sends numbered events (1, 2, ...) to a site as an add-in's reader thread does, on a thread
// of its own, until `count` were sent, the tick count reached `until`, or it is stopped; an
// event the site refuses is counted and its number not used again.
class Producer {
public:
    Producer(quillon::IInnerListener* site, long count, ULONGLONG until = ULLONG_MAX)
        : m_thread([this, site, count, until] { run(site, count, until); }) {}
    ~Producer() { stop(); }
    Producer(const Producer&) = delete;
    Producer& operator=(const Producer&) = delete;

    void stop() {
        m_stop = true;
        finish();
    }
    // Waits until it has sent all it will.
    void finish() {
        if (m_thread.joinable()) m_thread.join();
    }
    std::atomic<long> m_accepted{0};
    std::atomic<long> m_refused{0};

private:
    void run(quillon::IInnerListener* site, long count, ULONGLONG until) {
        for (long number = 1; number <= count && !m_stop && GetTickCount64() < until; ++number) {
            ++(send(site, number) ? m_accepted : m_refused);
        }
    }
    static bool send(quillon::IInnerListener* site, long number) {
        wchar_t data[24] = {};
        std::swprintf(data, 24, L"%ld", number);
        return SUCCEEDED(site->ExternalEvent(SysAllocString(L"Flood"), SysAllocString(L"event"),
                                             SysAllocString(data)));
    }

    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

ULONGLONG now_ms() { return GetTickCount64(); }

// The process's resident memory.
SIZE_T resident_bytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}

// What a run of the page's loop saw: whether `done` came, the longest that one message kept
// the loop away, the most resident memory the process held, and how long the run took.
struct LoopRun {
    bool done = false;
    ULONGLONG longestMs = 0;
    SIZE_T peakBytes = 0;
    ULONGLONG tookMs = 0;
};

// Runs this thread's message loop until `done` holds or `ms` passed.
template <class Done>
LoopRun run_loop(Done done, ULONGLONG ms) {
    LoopRun run;
    const ULONGLONG start = now_ms();
    ULONGLONG last = start;
    while (!(run.done = done()) && now_ms() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
            const ULONGLONG t = now_ms();
            if (t - last > run.longestMs) run.longestMs = t - last;
            last = t;
            if (t - start >= ms) break;
        }
        const SIZE_T bytes = resident_bytes();
        if (bytes > run.peakBytes) run.peakBytes = bytes;
        last = now_ms();
    }
    run.tookMs = now_ms() - start;
    return run;
}

constexpr ULONGLONG kLoopGapMs = 1000;  // the longest the page may wait for its own loop
// The queue's cap (32 MiB of records per page thread) with room for the allocator's slack.
constexpr SIZE_T kFloodGrowthBytes = 96u << 20;

TEST(EventQueue, AFloodLeavesThePageItsLoopAndBoundedMemory) {
    constexpr ULONGLONG kFloodMs = 3000;
    const ULONGLONG end = now_ms() + kFloodMs;
    CountingListener listener(20, end);  // slower than the producer while it floods
    Page page(&listener);
    ASSERT_NE(page.inner.get(), nullptr);
    const SIZE_T before = resident_bytes();
    Producer producer(page.inner.get(), LONG_MAX, end);
    const LoopRun flood = run_loop([] { return false; }, kFloodMs);
    producer.finish();
    EXPECT_LT(flood.longestMs, kLoopGapMs) << "a drain kept the page from its loop";
    EXPECT_LT(flood.tookMs, kFloodMs + kLoopGapMs) << "the loop did not come back on time";
    EXPECT_LT(flood.peakBytes - before, kFloodGrowthBytes)
        << "the queue grew without bound: " << ((flood.peakBytes - before) >> 20) << " MiB";
    const LoopRun rest =
        run_loop([&] { return listener.m_delivered >= producer.m_accepted; }, 60000);
    EXPECT_TRUE(rest.done) << listener.m_delivered << " of " << producer.m_accepted.load()
                           << " accepted events delivered within 60 s";
    EXPECT_LT(rest.longestMs, kLoopGapMs);
    EXPECT_EQ(listener.m_outOfOrder, 0) << "events reordered or delivered twice";
    EXPECT_GT(producer.m_refused, 0) << "the flood never met the queue's cap";
}

TEST(EventQueue, ABurstOfTenThousandArrivesWholeAndInOrder) {
    constexpr long kBurst = 10000;
    CountingListener listener;
    Page page(&listener);
    ASSERT_NE(page.inner.get(), nullptr);
    Producer producer(page.inner.get(), kBurst);
    const LoopRun run = run_loop([&] { return listener.m_delivered >= kBurst; }, 30000);
    producer.stop();
    EXPECT_EQ(producer.m_accepted, kBurst) << "the queue refused part of the burst";
    EXPECT_TRUE(run.done) << listener.m_delivered << " of " << kBurst << " within 30 s";
    EXPECT_EQ(listener.m_delivered, kBurst);
    EXPECT_EQ(listener.m_outOfOrder, 0) << "events reordered or delivered twice";
    EXPECT_EQ(listener.m_last, static_cast<unsigned long>(kBurst));
    EXPECT_LT(run.longestMs, kLoopGapMs);
}

// Another page's thread that never runs its loop while the test runs: its site is handed
// out, and the page goes away (its records with it) once `release` is set.
class StalledPage {
public:
    explicit StalledPage(CountingListener* listener)
        : m_ready(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_thread([this, listener] { run(listener); }) {
        WaitForSingleObject(m_ready, 10000);
    }
    ~StalledPage() {
        SetEvent(m_release);
        m_thread.join();
        CloseHandle(m_ready);
        CloseHandle(m_release);
    }
    StalledPage(const StalledPage&) = delete;
    StalledPage& operator=(const StalledPage&) = delete;
    quillon::IInnerListener* site() const { return m_site; }

private:
    void run(CountingListener* listener) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            Page page(listener);
            m_site = page.inner.get();
            SetEvent(m_ready);
            WaitForSingleObject(m_release, INFINITE);
        }
        CoUninitialize();
    }

    HANDLE m_ready;
    HANDLE m_release;
    quillon::IInnerListener* m_site = nullptr;
    std::thread m_thread;
};

TEST(EventQueue, AStalledPageThreadDoesNotSlowALiveOne) {
    constexpr long kStalledEvents = 400000, kLiveEvents = 2000;
    CountingListener stalledListener, listener;
    StalledPage stalled(&stalledListener);
    ASSERT_NE(stalled.site(), nullptr) << "the stalled page did not start within 10 s";
    Producer(stalled.site(), kStalledEvents).finish();  // queued, never delivered
    Page page(&listener);
    ASSERT_NE(page.inner.get(), nullptr);
    Producer(page.inner.get(), kLiveEvents).finish();
    const LoopRun run = run_loop([&] { return listener.m_delivered >= kLiveEvents; }, 30000);
    EXPECT_TRUE(run.done) << listener.m_delivered << " of " << kLiveEvents << " within 30 s";
    EXPECT_LT(run.tookMs, 1000u) << "the stalled page's records slowed this page's";
    EXPECT_EQ(listener.m_outOfOrder, 0);
    EXPECT_EQ(stalledListener.m_delivered, 0) << "delivered on another page's thread";
}

}  // namespace
