// The test browser's main thread: dispatch from any thread, timers on the main thread,
// the loop run until a predicate or a deadline.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "nsISupportsImpl.h"
#include "nsITimer.h"
#include "nsServiceManagerUtils.h"
#include "nsThreadUtils.h"
#include "runnable_helpers.h"
#include "xpcom_runtime/test_browser.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using xpcom_test::make_runnable;

// Records how a timer called it: as observer (with its topic) or as callback object.
class TimerListener final : public nsIObserver, public nsITimerCallback {
public:
    NS_DECL_ISUPPORTS

    NS_IMETHOD Observe(nsISupports* aSubject, const char* aTopic, const char16_t*) override {
        subject = aSubject;
        topic = aTopic ? aTopic : "";
        ++observed;
        return NS_OK;
    }
    NS_IMETHOD Notify(nsITimer* aTimer) override {
        notified_by = aTimer;
        ++notified;
        return NS_OK;
    }

    nsISupports* subject = nullptr;
    std::string topic;
    nsITimer* notified_by = nullptr;
    int observed = 0;
    int notified = 0;

private:
    ~TimerListener() = default;
};

NS_IMPL_ADDREF(TimerListener)
NS_IMPL_RELEASE(TimerListener)
NS_INTERFACE_MAP_BEGIN(TimerListener)
    NS_INTERFACE_MAP_ENTRY(nsIObserver)
    NS_INTERFACE_MAP_ENTRY(nsITimerCallback)
    NS_INTERFACE_MAP_ENTRY_AMBIGUOUS(nsISupports, nsIObserver)
NS_INTERFACE_MAP_END

class EventLoop : public ::testing::Test {
protected:
    xpcom_runtime::TestBrowser browser;
};

TEST_F(EventLoop, MainThreadIsTheBrowsersThread) {
    EXPECT_TRUE(NS_IsMainThread());
    std::atomic<bool> elsewhere{true};
    std::thread other([&] { elsewhere = NS_IsMainThread(); });
    other.join();
    EXPECT_FALSE(elsewhere);
}

TEST_F(EventLoop, DispatchFromAnotherThreadRunsOnTheMainThreadInOrder) {
    const int kEvents = 100;
    std::vector<int> order;  // touched on the main thread only
    std::atomic<int> off_main{0};
    std::thread producer([&] {
        for (int i = 0; i < kEvents; ++i) {
            nsCOMPtr<nsIRunnable> r = make_runnable([&, i] {
                if (!NS_IsMainThread()) ++off_main;
                order.push_back(i);
            });
            ASSERT_EQ(NS_DispatchToMainThread(r), NS_OK);
        }
    });
    const bool all = browser.run_until([&] { return order.size() == size_t(kEvents); }, 10s);
    producer.join();
    ASSERT_TRUE(all) << "waited for " << kEvents << " events, got " << order.size();
    EXPECT_EQ(off_main, 0);
    for (int i = 0; i < kEvents; ++i) EXPECT_EQ(order[i], i);
}

TEST_F(EventLoop, RepeatingTimerFiresOnTheMainThreadEveryPeriod) {
    nsresult rv = NS_OK;
    nsCOMPtr<nsITimer> timer = do_CreateInstance(NS_TIMER_CONTRACTID, &rv);
    ASSERT_EQ(rv, NS_OK);
    struct Ticks {
        std::vector<Clock::time_point> at;
        bool off_main = false;
    } ticks;
    auto tick = [](nsITimer*, void* closure) {
        auto* t = static_cast<Ticks*>(closure);
        if (!NS_IsMainThread()) t->off_main = true;
        t->at.push_back(Clock::now());
    };
    const Clock::time_point armed = Clock::now();
    ASSERT_EQ(timer->InitWithFuncCallback(tick, &ticks, 10, nsITimer::TYPE_REPEATING_SLACK), NS_OK);
    ASSERT_TRUE(browser.run_until([&] { return ticks.at.size() >= 5; }, 5s))
        << "waited for 5 ticks of a 10 ms timer, got " << ticks.at.size();
    timer->Cancel();
    EXPECT_FALSE(ticks.off_main);
    // Never early: each period starts when the previous callback returned.
    EXPECT_GE(ticks.at[0] - armed, 10ms);
    for (size_t i = 1; i < ticks.at.size(); ++i) EXPECT_GE(ticks.at[i] - ticks.at[i - 1], 10ms);

    // Cancelled: nothing more runs.
    const size_t seen = ticks.at.size();
    EXPECT_FALSE(browser.run_until([&] { return ticks.at.size() > seen; }, 50ms));
}

TEST_F(EventLoop, OneShotTimerFiresOnceAndCancelledTimerNever) {
    nsCOMPtr<nsITimer> once = do_CreateInstance(NS_TIMER_CONTRACTID);
    nsCOMPtr<nsITimer> cancelled = do_CreateInstance(NS_TIMER_CONTRACTID);
    ASSERT_TRUE(once && cancelled);
    int fired_once = 0, fired_cancelled = 0;
    auto count = [](nsITimer*, void* closure) { ++*static_cast<int*>(closure); };
    once->InitWithFuncCallback(count, &fired_once, 5, nsITimer::TYPE_ONE_SHOT);
    once->InitWithFuncCallback(count, &fired_once, 5, nsITimer::TYPE_ONE_SHOT);  // replaces
    cancelled->InitWithFuncCallback(count, &fired_cancelled, 5, nsITimer::TYPE_ONE_SHOT);
    cancelled->Cancel();
    EXPECT_TRUE(browser.run_until([&] { return fired_once == 1; }, 5s));
    EXPECT_FALSE(browser.run_until([&] { return fired_once > 1 || fired_cancelled > 0; }, 50ms));
    EXPECT_EQ(once->InitWithFuncCallback(count, &fired_once, 1, 7), NS_ERROR_INVALID_ARG);
}

TEST_F(EventLoop, TimerCallsObserversAndCallbackObjects) {
    nsCOMPtr<nsITimer> timer = do_CreateInstance(NS_TIMER_CONTRACTID);
    ASSERT_TRUE(timer);
    nsCOMPtr<nsIObserver> listener = new TimerListener();
    auto* record = static_cast<TimerListener*>(listener.get());

    ASSERT_EQ(timer->Init(listener, 1, nsITimer::TYPE_ONE_SHOT), NS_OK);
    ASSERT_TRUE(browser.run_until([&] { return record->observed == 1; }, 5s));
    EXPECT_EQ(record->topic, NS_TIMER_CALLBACK_TOPIC);
    EXPECT_EQ(record->subject, static_cast<nsISupports*>(timer.get()));

    ASSERT_EQ(timer->InitWithCallback(record, 1, nsITimer::TYPE_ONE_SHOT), NS_OK);
    nsCOMPtr<nsITimerCallback> held;
    EXPECT_EQ(timer->GetCallback(getter_AddRefs(held)), NS_OK);
    EXPECT_EQ(held.get(), static_cast<nsITimerCallback*>(record));
    held = nullptr;
    ASSERT_TRUE(browser.run_until([&] { return record->notified == 1; }, 5s));
    EXPECT_EQ(record->notified_by, timer.get());
    // A one-shot timer lets its callback go once it has fired.
    EXPECT_EQ(timer->GetCallback(getter_AddRefs(held)), NS_OK);
    EXPECT_FALSE(held);
    EXPECT_EQ(timer->Init(nullptr, 1, nsITimer::TYPE_ONE_SHOT), NS_ERROR_NULL_POINTER);
}

TEST_F(EventLoop, TimerAskedForAsServiceIsOneSharedTimer) {
    nsCOMPtr<nsITimer> a = do_GetService(NS_TIMER_CONTRACTID);
    nsCOMPtr<nsITimer> b = do_GetService(NS_TIMER_CONTRACTID);
    nsCOMPtr<nsITimer> c = do_CreateInstance(NS_TIMER_CONTRACTID);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), c.get());
}

TEST_F(EventLoop, RunUntilGivesUpAtTheDeadline) {
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(browser.run_until([] { return false; }, 30ms));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 30ms);
    EXPECT_LT(waited, 2s);
}

TEST_F(EventLoop, NestedRunsDeliverWhatWasPostedMeanwhile) {
    std::vector<int> order;
    nsCOMPtr<nsIRunnable> inner = make_runnable([&] { order.push_back(2); });
    nsCOMPtr<nsIRunnable> outer = make_runnable([&] {
        order.push_back(1);
        NS_DispatchToMainThread(inner);
        browser.run_pending();  // a listener spinning the loop
        order.push_back(3);
    });
    NS_DispatchToMainThread(outer);
    EXPECT_EQ(browser.run_pending(), 1u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(EventLoop, RunPendingRunsOnlyWhatIsReady) {
    int runs = 0;
    nsCOMPtr<nsIRunnable> again;
    again = make_runnable([&] {
        ++runs;
        NS_DispatchToMainThread(again);  // re-posts itself: waits for the next call
    });
    NS_DispatchToMainThread(again);
    EXPECT_EQ(browser.run_pending(), 1u);
    EXPECT_EQ(browser.run_pending(), 1u);
    EXPECT_EQ(runs, 2);
    again = nullptr;  // the posted copy is dropped at shutdown
}

TEST_F(EventLoop, RefusesWhatItCannotRun) {
    EXPECT_EQ(NS_DispatchToMainThread(nullptr), NS_ERROR_NULL_POINTER);
    nsCOMPtr<nsIRunnable> r = make_runnable([] {});
    EXPECT_EQ(NS_DispatchToMainThread(r, NS_DISPATCH_SYNC), NS_ERROR_NOT_IMPLEMENTED);
}

}  // namespace
