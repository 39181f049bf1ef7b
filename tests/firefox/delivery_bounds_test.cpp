// The main thread's delivery under a flood of events and when memory runs out: a delivery run
// ends within its slice and leaves the rest to the next tick, what waits for the page is
// bounded, and an event that cannot be kept is answered so and never holds its site.

#include <algorithm>
#include <atomic>
#include <climits>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "site_fixture.h"
#include "delivery_limits.h"
#include "failing_allocations.h"
#include "memory_in_use.h"

namespace velmor_test {
namespace {

using Clock = std::chrono::steady_clock;

typedef SiteFixture DeliveryBounds;

// A number as terminated text, made without allocating (the flood's producer runs while
// memory is measured).
class NumberText {
public:
    explicit NumberText(uint32_t number) {
        char16_t reversed[10];
        int length = 0;
        do {
            reversed[length++] = static_cast<char16_t>(u'0' + number % 10);
            number /= 10;
        } while (number != 0);
        for (int i = 0; i < length; ++i) m_units[i] = reversed[length - 1 - i];
        m_units[length] = 0;
    }
    const char16_t* get() const { return m_units; }

private:
    char16_t m_units[11];
};

uint32_t number_of(const char16_t* text) {
    uint32_t number = 0;
    for (; *text >= u'0' && *text <= u'9'; ++text) number = number * 10 + (*text - u'0');
    return number;
}

// One event as the page received it: in which main-thread event (delivery run), and when.
struct Delivery {
    uint64_t run;
    Clock::time_point at;
    uint32_t number;
};

// The numbers a producer had accepted, as runs [first, last].
typedef std::vector<std::pair<uint32_t, uint32_t>> NumberRuns;

void note_accepted(NumberRuns& runs, uint32_t number) {
    if (!runs.empty() && runs.back().second + 1 == number) {
        runs.back().second = number;
    } else {
        runs.emplace_back(number, number);
    }
}

// The page received exactly the accepted numbers, in order, up to some point (the rest may
// still wait in the queue): none lost between, none reordered, none twice.
void expect_ordered_prefix(const NumberRuns& accepted, const std::vector<Delivery>& deliveries) {
    size_t run = 0;
    uint32_t expected = accepted.empty() ? 0 : accepted[0].first;
    for (size_t i = 0; i < deliveries.size(); ++i) {
        ASSERT_LT(run, accepted.size()) << "delivery " << i << " was never accepted";
        ASSERT_EQ(expected, deliveries[i].number) << "delivery " << i;
        if (expected == accepted[run].second) {
            if (++run < accepted.size()) expected = accepted[run].first;
        } else {
            ++expected;
        }
    }
}

// The longest a delivery run handed events to the page.
Clock::duration longest_run(const std::vector<Delivery>& deliveries) {
    Clock::duration longest{};
    size_t first = 0;
    for (size_t i = 1; i <= deliveries.size(); ++i) {
        if (i == deliveries.size() || deliveries[i].run != deliveries[first].run) {
            longest = std::max(longest, deliveries[i - 1].at - deliveries[first].at);
            first = i;
        }
    }
    return longest;
}

size_t accepted_count(const NumberRuns& runs) {
    size_t count = 0;
    for (const auto& run : runs) count += run.second - run.first + 1;
    return count;
}

// A producer without pause for 3 s, a page that takes 20 us per event, and a site asked to
// buffer every event (depth -1): the main loop keeps its turns, each delivery run ends about
// its slice, memory stays within the bounds, and what was accepted arrives in order.
TEST_F(DeliveryBounds, AFloodLeavesTheMainLoopItsTurnsAndMemoryBounded) {
    const std::chrono::seconds kFlood{3};
    ASSERT_TRUE(m_inner->SetEventBufferDepth(-1));

    std::vector<Delivery> deliveries;
    deliveries.reserve(1u << 18);  // more than a page of 20 us per event can take in the flood
    m_page->m_onEvent = [&](const char16_t* data) {
        if (deliveries.size() < deliveries.capacity()) {
            deliveries.push_back(Delivery{m_browser->events_run(), Clock::now(), number_of(data)});
        }
        std::this_thread::sleep_for(std::chrono::microseconds(20));  // the page's own work
    };
    NumberRuns accepted;
    accepted.reserve(1u << 18);
    std::atomic<bool> flooding{true};
    std::atomic<uint32_t> produced{0};

    const size_t before = memory_in_use();
    std::thread producer([&] {
        const Clock::time_point end = Clock::now() + kFlood;
        uint32_t number = 0;
        for (; Clock::now() < end; ++number) {
            const NumberText text(number);
            if (m_inner->ExternalEvent(u"", u"", text.get()) &&
                accepted.size() < accepted.capacity()) {
                note_accepted(accepted, number);
            }
        }
        produced = number;
        flooding = false;
    });

    size_t peak = before;
    Clock::time_point lastTurn = Clock::now();
    Clock::time_point nextSample = lastTurn;
    Clock::duration longestTurn{};
    const bool ended = runUntil(
        [&] {
            const Clock::time_point now = Clock::now();
            longestTurn = std::max(longestTurn, now - lastTurn);
            lastTurn = now;
            if (now >= nextSample) {
                peak = std::max(peak, memory_in_use());
                m_page->clear();  // the page's own record of calls is not what is measured
                nextSample = now + std::chrono::milliseconds(50);
            }
            return !flooding.load();
        },
        "the end of the flood", kFlood + std::chrono::seconds(30));
    producer.join();
    m_page->m_onEvent = nullptr;
    ASSERT_TRUE(ended);

    EXPECT_LT(longestTurn, std::chrono::seconds(1)) << "a turn of the main loop";
    EXPECT_LT(longest_run(deliveries), kDeliverySlice + std::chrono::milliseconds(250))
        << "a delivery run";
    const size_t bound = 2 * (kDeliveryQueueBytes + kEventBufferBytes) + (16u << 20);
    EXPECT_LT(peak - before, bound) << "memory grew by " << (peak - before) / 1024 << " KiB";
    EXPECT_LT(accepted_count(accepted), produced.load()) << "the flood never met the bound";
    EXPECT_FALSE(deliveries.empty());
    expect_ordered_prefix(accepted, deliveries);
}

// Whatever depth is asked, the site's event buffer keeps no more than its bound, and what it
// keeps are the oldest events, in order.
TEST_F(DeliveryBounds, TheEventBufferStaysBoundedWhateverTheDepth) {
    const std::u16string padding(1000, u'x');
    const size_t recordBytes = padding.size() * sizeof(char16_t);
    const uint32_t kEvents = static_cast<uint32_t>(2 * kEventBufferBytes / recordBytes);
    for (const int32_t depth : {-1, INT_MAX}) {
        SCOPED_TRACE(depth);
        m_inner->CleanEventBuffer();
        ASSERT_TRUE(m_inner->SetEventBufferDepth(depth));
        offMainThread([&] {
            for (uint32_t i = 0; i < kEvents; ++i) {
                const std::u16string data = NumberText(i).get() + padding;
                m_inner->ExternalEvent(u"w", u"m", data.c_str());
            }
        });
        uint32_t kept = 0;
        for (;; ++kept) {
            nsCOMPtr<ICEventData> event;
            ASSERT_EQ(NS_OK, m_site->GetEventData(getter_AddRefs(event)));
            if (!event) break;
            nsString data;
            event->GetData(data);
            ASSERT_EQ(kept, number_of(data.get())) << "the buffer's record " << kept;
        }
        EXPECT_GT(kept, 0u);
        EXPECT_LE(kept * recordBytes, kEventBufferBytes) << kept << " of " << kEvents << " kept";
    }
}

// Memory runs out at each allocation in turn while events from the add-in's thread are kept:
// the answer says whether the event was queued, what was queued reaches the page once, and
// at the moment memory runs out no pending record holds the site, so a page that lets go of
// the site meanwhile never leaves its last reference to a record dropped on that thread.
TEST_F(DeliveryBounds, MemoryRunningOutWhileAnEventIsQueuedLeavesTheSiteToThePage) {
    // Every event is buffered as well, and its texts are longer than any string keeps in place.
    ASSERT_TRUE(m_inner->SetEventBufferDepth(100000));
    const char16_t* const longText = u"a text longer than any string keeps in place, to be copied";
    IAddInSiteExt* const site = m_site.get();
    auto holders = [site] {
        const nsrefcnt count = site->AddRef();
        site->Release();
        return count - 1;
    };
    size_t queued = 0, failures = 0;
    // Where the component is a module with a heap of its own (Windows), the test program's
    // failing allocations never reach it.
    bool reaches = false;
    offMainThread([&] {
        FailingAllocations failing(1);
        if (m_inner->ExternalEvent(longText, longText, u"data")) ++queued;
        reaches = failing.failed();
    });
    if (!reaches) GTEST_SKIP() << "this build cannot make the component's allocations fail";
    for (unsigned nth = 1; nth <= 6; ++nth) {
        for (int event = 0; event < 32; ++event) {
            offMainThread([&] {
                const nsrefcnt before = holders();
                nsrefcnt atFailure = before;
                bool answer = false;
                {
                    FailingAllocations failing(nth, [&] { atFailure = holders(); });
                    answer = m_inner->ExternalEvent(longText, longText, u"data");
                    if (failing.failed()) ++failures;
                }
                EXPECT_EQ(before, atFailure)
                    << "a record held the site when allocation " << nth << " failed";
                if (answer) ++queued;
            });
        }
    }
    EXPECT_GT(failures, 0u);
    // A last event, after which nothing more of these can come.
    offMainThread([&] { m_inner->ExternalEvent(u"w", u"m", u"last"); });
    ASSERT_TRUE(runUntil(
        [&] {
            const std::vector<PageCall> calls = m_page->calls("externalEvent");
            return !calls.empty() && calls.back().c == u"last";
        },
        "the last event"));
    EXPECT_EQ(queued + 1, m_page->count("externalEvent"));
}

}  // namespace
}  // namespace velmor_test
