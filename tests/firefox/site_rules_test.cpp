// The site's main-thread rules, driven through its IInnerListener as an adapter drives it:
// direct calls on the main thread, queueing from other threads, refusals of what the page
// must answer at once, the event buffer, and the message boxes through the prompt service.

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

#include "site_fixture.h"

namespace velmor_test {
namespace {

// What became of a SwitchingListener.
struct ListenerOutcome {
    int calls = 0;
    bool destroyed = false;
    bool destroyedInCall = false;
};

// A page listener that runs `during` inside each of its callbacks, as a page that gives the
// site another listener there would, and notes when it is destroyed whether a callback was
// still running.
class SwitchingListener final : public ICListenerEx {
public:
    SwitchingListener(std::function<void()> during, ListenerOutcome& outcome)
        : m_during(std::move(during)), m_outcome(outcome) {}
    NS_DECL_THREADSAFE_ISUPPORTS

    NS_IMETHOD addError(uint16_t, const char16_t*, const char16_t*, int32_t, bool*) override {
        return call();
    }
    NS_IMETHOD readValue(const char16_t*, int32_t*, nsAString&, nsIVariant**) override {
        return call();
    }
    NS_IMETHOD writeValue(const char16_t*, nsIVariant*, bool*) override { return call(); }
    NS_IMETHOD registerProfileAs(const char16_t*, bool*) override { return call(); }
    NS_IMETHOD setStatusLine(const char16_t*) override { return call(); }
    NS_IMETHOD resetStatusLine() override { return call(); }
    NS_IMETHOD externalEvent(const char16_t*, const char16_t*, const char16_t*) override {
        return call();
    }
    NS_IMETHOD messageBox(const char16_t*) override { return call(); }
    NS_IMETHOD queryBox(const char16_t*, bool*) override { return call(); }
    NS_IMETHOD registerClassName(const char16_t*) override { return call(); }
    NS_IMETHOD alert(const char16_t*) override { return call(); }
    NS_IMETHOD confirm(const char16_t*, bool*) override { return call(); }
    NS_IMETHOD getUserAgent(nsAString&) override { return call(); }
    NS_IMETHOD getPlatform(nsAString&) override { return call(); }
    NS_IMETHOD createObject(const char16_t*, nsIVariant**) override { return call(); }
    NS_IMETHOD getVersion(nsAString&) override { return call(); }

private:
    ~SwitchingListener() {
        m_outcome.destroyed = true;
        m_outcome.destroyedInCall = m_inCall;
    }
    nsresult call() {
        m_inCall = true;
        ++m_outcome.calls;
        m_during();
        m_inCall = false;
        return NS_OK;
    }

    std::function<void()> m_during;
    ListenerOutcome& m_outcome;
    bool m_inCall = false;
};

NS_IMPL_ADDREF(SwitchingListener)
NS_IMPL_RELEASE(SwitchingListener)
NS_INTERFACE_MAP_BEGIN(SwitchingListener)
    NS_INTERFACE_MAP_ENTRY(ICListenerEx)
    NS_INTERFACE_MAP_ENTRY(ICListener)
    NS_INTERFACE_MAP_ENTRY_AMBIGUOUS(nsISupports, ICListenerEx)
NS_INTERFACE_MAP_END

typedef SiteFixture SiteRules;

TEST_F(SiteRules, TheMainThreadCallsThePageAtOnce) {
    m_inner->ExternalEvent(u"src", u"msg", u"data");
    EXPECT_TRUE(m_inner->AddError(3, u"S", u"D", 7));
    EXPECT_TRUE(m_inner->SetStatusLine(u"busy"));
    m_inner->ResetStatusLine();
    const std::vector<PageCall> calls = m_page->calls();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ("externalEvent", calls[0].method);
    EXPECT_EQ(u"data", calls[0].c);
    EXPECT_EQ("addError", calls[1].method);
    EXPECT_EQ(u"S", calls[1].a);
    EXPECT_EQ(u"D", calls[1].b);
    EXPECT_EQ(3007, calls[1].number);
    EXPECT_EQ("setStatusLine", calls[2].method);
    EXPECT_EQ("resetStatusLine", calls[3].method);
}

TEST_F(SiteRules, AddErrorIsTrueWhateverThePageAnswers) {
    m_page->m_answer = false;
    EXPECT_TRUE(m_inner->AddError(1, u"S", u"D", 0));
}

TEST_F(SiteRules, OtherThreadsQueueAndTheTimerDelivers) {
    bool queuedError = true, queuedStatus = true;
    offMainThread([&] {
        m_inner->ExternalEvent(u"src", u"msg", u"one");
        queuedError = m_inner->AddError(2, u"S", u"D", 5);
        queuedStatus = m_inner->SetStatusLine(u"busy");
        m_inner->ResetStatusLine();
        m_inner->ExternalEvent(u"src", u"msg", u"two");
    });
    EXPECT_FALSE(queuedError);
    EXPECT_FALSE(queuedStatus);
    EXPECT_EQ(0u, m_page->calls().size()) << "nothing may reach the page off the main thread";
    ASSERT_TRUE(runUntil([&] { return m_page->calls().size() == 5; }, "five queued callbacks"));
    const std::vector<PageCall> calls = m_page->calls();
    EXPECT_EQ(u"one", calls[0].c);
    EXPECT_EQ("addError", calls[1].method);
    EXPECT_EQ(u"S", calls[1].a);  // source, then description
    EXPECT_EQ(u"D", calls[1].b);
    EXPECT_EQ(2005, calls[1].number);
    EXPECT_EQ(u"busy", calls[2].a);
    EXPECT_EQ("resetStatusLine", calls[3].method);
    EXPECT_EQ(u"two", calls[4].c);
    for (const PageCall& call : calls) EXPECT_TRUE(call.onMainThread) << call.method;
}

// Reader threads take and the main thread drops references to the site at the same time
// (atomic counts, under TSan); every event arrives, each thread's in its own order.
TEST_F(SiteRules, ManyThreadsQueueAtOnceAndEveryEventArrives) {
    const int kThreads = 4, kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            const std::u16string who = utf16("t" + std::to_string(t));
            for (int i = 0; i < kEach; ++i) {
                m_inner->ExternalEvent(who.c_str(), u"m", utf16(std::to_string(i)).c_str());
            }
        });
    }
    const bool all = runUntil([&] { return m_page->count("externalEvent") == kThreads * kEach; },
                              "every event of every thread");
    for (std::thread& thread : threads) thread.join();
    ASSERT_TRUE(all);
    std::vector<int> next(kThreads, 0);
    for (const PageCall& call : m_page->calls("externalEvent")) {
        const int t = call.a[1] - u'0';
        EXPECT_EQ(utf16(std::to_string(next[t]++)), call.c);
    }
}

TEST_F(SiteRules, AnEventBeforeAnyListenerWaitsForOne) {
    ASSERT_EQ(NS_OK, m_site->SetSiteEx(nullptr));
    m_inner->ExternalEvent(u"src", u"msg", u"early");
    ASSERT_EQ(NS_OK, m_site->SetSiteEx(m_page));
    ASSERT_TRUE(runUntil([&] { return m_page->count("externalEvent") == 1; }, "the early event"));
    EXPECT_EQ(u"early", m_page->calls("externalEvent")[0].c);
}

TEST_F(SiteRules, AnElementOfASiteWithoutListenerIsDroppedAndTheNextDelivered) {
    ASSERT_EQ(NS_OK, m_site->SetSiteEx(nullptr));
    m_inner->ExternalEvent(u"src", u"msg", u"lost");
    ASSERT_TRUE(runUntil([&] { return m_browser->events_run() > 3; }, "a few timer ticks"));
    ASSERT_EQ(NS_OK, m_site->SetSiteEx(m_page));
    offMainThread([&] { m_inner->ExternalEvent(u"src", u"msg", u"kept"); });
    ASSERT_TRUE(runUntil([&] { return m_page->count("externalEvent") == 1; }, "the next event"));
    EXPECT_EQ(u"kept", m_page->calls("externalEvent")[0].c);
}

// A listener that only the site holds gives the site another listener from inside its own
// callback, called directly or from the delivery queue: it lives until that callback returns.
TEST_F(SiteRules, AListenerReplacedInsideItsOwnCallbackLivesUntilItReturns) {
    struct Road {
        const char* name;
        bool queued;    // called from another thread, delivered by the timer
        bool extended;  // a callback of the extended listener (given by SetSiteEx2)
        std::function<void(IInnerListener&)> call;
    };
    const Road roads[] = {
        {"externalEvent", false, false,
         [](IInnerListener& s) { s.ExternalEvent(u"w", u"m", u"d"); }},
        {"addError", false, false, [](IInnerListener& s) { s.AddError(1, u"S", u"D", 2); }},
        {"setStatusLine", false, false, [](IInnerListener& s) { s.SetStatusLine(u"busy"); }},
        {"resetStatusLine", false, false, [](IInnerListener& s) { s.ResetStatusLine(); }},
        {"readValue", false, false,
         [](IInnerListener& s) {
             nsCOMPtr<nsIVariant> value;
             int32_t error = 0;
             nsString description;
             s.Read(u"key", getter_AddRefs(value), &error, description);
         }},
        {"writeValue", false, false,
         [](IInnerListener& s) { s.Write(u"key", string_variant(u"v")); }},
        {"registerProfileAs", false, false, [](IInnerListener& s) { s.RegisterProfileAs(u"p"); }},
        {"getUserAgent", false, true,
         [](IInnerListener& s) {
             nsString text;
             s.GetUserAgentCB(text);
         }},
        {"getVersion", false, true,
         [](IInnerListener& s) {
             nsString text;
             s.GetVersionCB(text);
         }},
        {"createObject", false, true,
         [](IInnerListener& s) {
             nsCOMPtr<nsIVariant> value;
             s.CreateObjectCB(u"x", getter_AddRefs(value));
         }},
        {"queued externalEvent", true, false,
         [](IInnerListener& s) { s.ExternalEvent(u"w", u"m", u"d"); }},
        {"queued addError", true, false, [](IInnerListener& s) { s.AddError(1, u"S", u"D", 2); }},
        {"queued setStatusLine", true, false, [](IInnerListener& s) { s.SetStatusLine(u"busy"); }},
        {"queued resetStatusLine", true, false, [](IInnerListener& s) { s.ResetStatusLine(); }},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        ListenerOutcome outcome;
        {
            // The page's last word inside the callback: another listener for the site.
            nsCOMPtr<ICListenerEx> listener = new SwitchingListener(
                [&] {
                    if (road.extended) {
                        m_site->SetSiteEx2(m_page);
                    } else {
                        m_site->SetSiteEx(m_page);
                    }
                },
                outcome);
            if (road.extended) {
                m_site->SetSiteEx2(listener);
            } else {
                ASSERT_EQ(NS_OK, m_site->SetSiteEx(listener));
            }
        }
        if (road.queued) {
            offMainThread([&] { road.call(*m_inner); });
            ASSERT_TRUE(runUntil([&] { return outcome.calls > 0; }, "the queued callback"));
        } else {
            road.call(*m_inner);
        }
        EXPECT_EQ(1, outcome.calls);
        EXPECT_FALSE(outcome.destroyedInCall) << "destroyed inside its own callback";
        EXPECT_TRUE(outcome.destroyed) << "still held once the callback returned";
    }
}

TEST_F(SiteRules, WhatThePageMustAnswerIsRefusedOffTheMainThread) {
    bool read = true, written = true, registered = true;
    int32_t error = 0;
    nsCOMPtr<nsIVariant> value;
    nsCOMPtr<nsIWritableVariant> given = string_variant(u"v");
    offMainThread([&] {
        nsString description;
        read = m_inner->Read(u"key", getter_AddRefs(value), &error, description);
        written = m_inner->Write(u"key", given);
        registered = m_inner->RegisterProfileAs(u"profile");
    });
    EXPECT_FALSE(read);
    EXPECT_EQ(static_cast<int32_t>(NS_ERROR_UNEXPECTED), error);
    EXPECT_FALSE(written);
    EXPECT_FALSE(registered);
    EXPECT_EQ(0u, m_page->calls().size());

    // The same on the main thread reaches the page.
    nsString description;
    EXPECT_TRUE(m_inner->Read(u"key", getter_AddRefs(value), &error, description));
    EXPECT_EQ(u"read:key", variant_text(value));
    EXPECT_TRUE(m_inner->Write(u"key", given));
    EXPECT_TRUE(m_inner->RegisterProfileAs(u"profile"));
    EXPECT_EQ(u"v", m_page->calls("writeValue")[0].b);
}

TEST_F(SiteRules, TheEventBufferKeepsTheOldestUpToItsDepth) {
    nsCOMPtr<ICEventData> none;
    ASSERT_EQ(NS_OK, m_site->GetEventData(getter_AddRefs(none)));
    EXPECT_FALSE(none) << "a site that never had an event has none buffered";

    EXPECT_TRUE(m_inner->SetEventBufferDepth(2));
    EXPECT_EQ(2, m_inner->GetEventBufferDepth());
    offMainThread([&] {
        for (const char16_t* data : {u"a", u"b", u"c"}) m_inner->ExternalEvent(u"w", u"m", data);
    });
    for (const char16_t* expected : {u"a", u"b"}) {
        nsCOMPtr<ICEventData> event;
        ASSERT_EQ(NS_OK, m_site->GetEventData(getter_AddRefs(event)));
        ASSERT_TRUE(event);
        nsString who, what, data;
        event->GetWho(who);
        event->GetWhat(what);
        event->GetData(data);
        EXPECT_EQ(u"w", std::u16string(who.get()));
        EXPECT_EQ(u"m", std::u16string(what.get()));
        EXPECT_EQ(expected, std::u16string(data.get()));
    }
    nsCOMPtr<ICEventData> empty;
    ASSERT_EQ(NS_OK, m_site->GetEventData(getter_AddRefs(empty)));
    EXPECT_FALSE(empty);

    // A smaller depth trims what is buffered to the oldest; cleaning empties the buffer.
    auto oldest_data = [&] {
        nsCOMPtr<ICEventData> event;
        EXPECT_EQ(NS_OK, m_site->GetEventData(getter_AddRefs(event)));
        nsString data;
        if (!event) return std::u16string(u"<none>");
        event->GetData(data);
        return std::u16string(data.get());
    };
    m_inner->ExternalEvent(u"w", u"m", u"x");
    m_inner->ExternalEvent(u"w", u"m", u"y");
    EXPECT_TRUE(m_inner->SetEventBufferDepth(1));
    EXPECT_EQ(u"x", oldest_data());
    EXPECT_EQ(u"<none>", oldest_data()) << "the trim left a newer event";
    m_inner->ExternalEvent(u"w", u"m", u"z");
    m_inner->CleanEventBuffer();
    EXPECT_EQ(u"<none>", oldest_data());

    EXPECT_TRUE(m_inner->SetEventBufferDepth(-1));
    EXPECT_EQ(-1, m_inner->GetEventBufferDepth());
}

TEST_F(SiteRules, MessageBoxesGoThroughThePromptService) {
    m_browser->set_confirm_answer(true);
    EXPECT_TRUE(m_inner->AlertCB(u"Hello"));
    nsCOMPtr<nsIVariant> answer;
    EXPECT_TRUE(m_inner->ConfirmCB(u"Sure?", getter_AddRefs(answer)));
    bool value = false;
    ASSERT_TRUE(answer);
    answer->GetAsBool(&value);
    EXPECT_TRUE(value);
    const std::vector<xpcom_runtime::PromptCall> prompts = m_browser->prompt_calls();
    ASSERT_EQ(2u, prompts.size());
    EXPECT_EQ(xpcom_runtime::PromptCall::eAlert, prompts[0].kind);
    EXPECT_EQ(u"Hello", prompts[0].text);
    EXPECT_FALSE(prompts[0].has_title);
    EXPECT_EQ(xpcom_runtime::PromptCall::eConfirm, prompts[1].kind);

    m_browser->set_alert_result(NS_ERROR_FAILURE);
    EXPECT_FALSE(m_inner->AlertCB(u"fails"));

    nsString agent;
    EXPECT_TRUE(m_inner->GetUserAgentCB(agent));
    EXPECT_EQ(u"TestBrowser/31", std::u16string(agent.get()));
}

TEST_F(SiteRules, MessageBoxesNeedTheExtendedListenerAndTheMainThread) {
    bool offMain = true;
    offMainThread([&] { offMain = m_inner->AlertCB(u"from the reader"); });
    EXPECT_FALSE(offMain);

    nsCOMPtr<IAddInServiceEx4> plain = newService(nullptr);
    ASSERT_EQ(NS_OK, plain->Init(m_page));  // no extended listener
    bool loaded = false;
    ASSERT_EQ(NS_OK, plain->LoadAddIn(u"", u"other", 0, &loaded));
    nsCOMPtr<IAddInSiteExt> site;
    ASSERT_EQ(NS_OK, plain->CreateInstanceExt(u"Scandor", getter_AddRefs(site)));
    nsCOMPtr<IInnerListener> inner = do_QueryInterface(site.get());
    nsCOMPtr<nsIVariant> answer;
    nsString agent;
    EXPECT_FALSE(inner->AlertCB(u"x"));
    EXPECT_FALSE(inner->ConfirmCB(u"x", getter_AddRefs(answer)));
    EXPECT_FALSE(inner->GetUserAgentCB(agent));
    EXPECT_TRUE(m_browser->prompt_calls().empty());
}

// The reader asks for message boxes while the page sets the site's listeners again: the
// refusal off the main thread reads none of what the main thread writes (under TSan).
TEST_F(SiteRules, MessageBoxesFromTheReaderWhileThePageSetsListeners) {
    const int kRounds = 200;
    std::atomic<int> shown{0};
    std::thread reader([&] {
        for (int i = 0; i < kRounds; ++i) {
            nsCOMPtr<nsIVariant> answer;
            if (m_inner->AlertCB(u"a")) ++shown;
            if (m_inner->ConfirmCB(u"c", getter_AddRefs(answer))) ++shown;
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        m_site->SetSiteEx2(i % 2 ? static_cast<ICListenerEx*>(m_page.get()) : nullptr);
    }
    reader.join();
    EXPECT_EQ(0, shown.load());
    EXPECT_TRUE(m_browser->prompt_calls().empty());
}

}  // namespace
}  // namespace velmor_test
