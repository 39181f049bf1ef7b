// The portable runtime's monitors.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "prmon.h"

namespace {

using Clock = std::chrono::steady_clock;

struct MonitorHolder {
    PRMonitor* mon = PR_NewMonitor();
    ~MonitorHolder() { PR_DestroyMonitor(mon); }
};

TEST(XpcomMonitor, IsReentrantForItsHolderOnly) {
    MonitorHolder m;
    ASSERT_NE(m.mon, nullptr);
    EXPECT_EQ(PR_ExitMonitor(m.mon), PR_FAILURE);  // not held
    PR_EnterMonitor(m.mon);
    PR_EnterMonitor(m.mon);
    std::atomic<bool> entered{false};
    std::thread other([&] {
        EXPECT_EQ(PR_ExitMonitor(m.mon), PR_FAILURE);  // someone else's
        EXPECT_EQ(PR_Notify(m.mon), PR_FAILURE);
        PR_EnterMonitor(m.mon);
        entered = true;
        PR_ExitMonitor(m.mon);
    });
    EXPECT_EQ(PR_ExitMonitor(m.mon), PR_SUCCESS);
    EXPECT_FALSE(entered);  // still held once
    EXPECT_EQ(PR_ExitMonitor(m.mon), PR_SUCCESS);
    other.join();
    EXPECT_TRUE(entered);
}

TEST(XpcomMonitor, WaitEndsByNotificationOrTimeoutWithEntriesKept) {
    MonitorHolder m;
    bool ready = false;  // guarded by the monitor
    PR_EnterMonitor(m.mon);
    PR_EnterMonitor(m.mon);
    std::thread notifier([&] {
        PR_EnterMonitor(m.mon);
        ready = true;
        PR_NotifyAll(m.mon);
        PR_ExitMonitor(m.mon);
    });
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (!ready && Clock::now() < deadline) PR_Wait(m.mon, PR_MillisecondsToInterval(100));
    EXPECT_TRUE(ready) << "waited for the other thread's notification";
    EXPECT_EQ(PR_ExitMonitor(m.mon), PR_SUCCESS);
    EXPECT_EQ(PR_ExitMonitor(m.mon), PR_SUCCESS);  // both entries came back
    EXPECT_EQ(PR_ExitMonitor(m.mon), PR_FAILURE);
    notifier.join();

    PR_EnterMonitor(m.mon);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(PR_Wait(m.mon, PR_MillisecondsToInterval(20)), PR_SUCCESS);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(15));
    PR_ExitMonitor(m.mon);
    EXPECT_EQ(PR_Wait(m.mon, PR_INTERVAL_NO_WAIT), PR_FAILURE);  // not held
}

}  // namespace
