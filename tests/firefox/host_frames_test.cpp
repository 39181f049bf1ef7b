// Frames of an add-in's object on the main thread: the page ends or lets go of a site while the
// add-in is inside a call of its own into its host (from its own timer, from its Done, from a
// reflection call), and a profile read the page answers while the add-in's thread calls in.
// The add-in returns into a live object, Done and DestroyObject run once each, and nothing
// waits for ever.

#include "component_fixture.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "environment_variable.h"
#include "library_loader.h"
#include "temp_folder.h"

namespace velmor_test {
namespace {

typedef int (*HostCallNow)(const char* method);
typedef void (*StubCounts)(long* done, long* destroyed);
typedef int (*StopStreams)();

struct Counts {
    long done = 0;
    long destroyed = 0;
};

// Ends the process with `what` when the scope has not ended by the deadline: a thread that
// waits for ever cannot fail an expectation.
class Watchdog {
public:
    explicit Watchdog(const char* what) : m_what(what), m_thread([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_ended = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

private:
    void watch() {
        std::unique_lock<std::mutex> lock(m_lock);
        if (m_changed.wait_for(lock, 4 * kDeadline, [this] { return m_ended; })) return;
        std::fprintf(stderr, "deadline passed, still waiting for: %s\n", m_what);
        std::_Exit(1);
    }

    const char* const m_what;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_ended = false;
    std::thread m_thread;
};

// A copy of the component with a stand-in add-in beside it, held loaded for its controls.
class HostFrames : public ComponentFixture {
protected:
    virtual const char* addInLibrary() const { return VELMOR_STUB_ADDIN; }
    std::string componentPath() const override {
        m_installed = m_folder.copyIn(addInLibrary(),
                                      "VelmorPlovik" VELMOR_PLATFORM VELMOR_LIBRARY_SUFFIX);
        return m_folder.copyIn(VELMOR_FIREFOX_COMPONENT,
                               "VelmorQuillonFF" VELMOR_PLATFORM VELMOR_LIBRARY_SUFFIX);
    }
    void SetUp() override {
        unset_environment("STUB_ADDIN");
        ComponentFixture::SetUp();
        ASSERT_FALSE(m_installed.empty());
        m_service = newService(m_page);
        nsCOMPtr<IAddInSiteExt> first = loadAndCreate(m_service, u"Stub");
        ASSERT_TRUE(first);
        m_library = hold_loaded_library(m_installed);
        ASSERT_NE(nullptr, m_library) << m_installed << " is not loaded";
        m_hostCallNow = reinterpret_cast<HostCallNow>(find_symbol(m_library, "stub_host_call_now"));
        m_counts = reinterpret_cast<StubCounts>(find_symbol(m_library, "stub_counts"));
        ASSERT_NE(nullptr, m_hostCallNow);
        ASSERT_NE(nullptr, m_counts);
        m_service->ReleaseObject(first);
    }
    void TearDown() override {
        unset_environment("STUB_ADDIN");
        m_page->m_onCall = nullptr;
        m_service = nullptr;
        ComponentFixture::TearDown();
        if (m_library != nullptr) unload_library(m_library);
    }

    Counts counts() const {
        Counts now;
        m_counts(&now.done, &now.destroyed);
        return now;
    }
    nsCOMPtr<IAddInSiteExt> newSite() {
        nsCOMPtr<IAddInSiteExt> site;
        EXPECT_EQ(NS_OK, m_service->CreateInstanceExt(u"Stub", getter_AddRefs(site)));
        return site;
    }
    // The page lets go of the site: the service's record, and its own reference.
    void letGo(nsCOMPtr<IAddInSiteExt>& site) {
        m_service->ReleaseObject(site);
        site = nullptr;
    }

    mutable TempFolder m_folder;
    mutable std::string m_installed;
    nsCOMPtr<IAddInServiceEx4> m_service;
    void* m_library = nullptr;
    HostCallNow m_hostCallNow = nullptr;
    StubCounts m_counts = nullptr;
};

// The add-in's own timer on the main thread sends an event or reads the profile outside any
// call into it, and the page's answer ends the site, by done or by letting go of it: the
// add-in's call returns into a live object in a loaded library, and the finish follows once,
// from the main thread's loop.
TEST_F(HostFrames, AFinishAskedInsideTheAddInsOwnHostCallRunsOnceAfterItReturned) {
    struct Case {
        const char* method;    // of stub_host_call_now
        const char* pageCall;  // where the page ends the site
    };
    const Case kCases[] = {{"event", "externalEvent"}, {"read", "readValue"}};
    for (const Case& c : kCases) {
        for (const bool byRelease : {false, true}) {
            SCOPED_TRACE(std::string(c.method) + (byRelease ? ", released" : ", done"));
            nsCOMPtr<IAddInSiteExt> site = newSite();
            ASSERT_TRUE(site);
            IAddInSiteExt* const raw = site.get();
            const Counts before = counts();
            m_page->m_onCall = [&](const std::string& method) {
                if (method != c.pageCall || !site) return;
                if (byRelease) {
                    letGo(site);
                } else {
                    raw->Done();
                    site = nullptr;
                }
            };
            EXPECT_EQ(1, m_hostCallNow(c.method)) << "the add-in returned into an object that was gone";
            m_page->m_onCall = nullptr;
            EXPECT_EQ(1u, m_page->count(c.pageCall));
            EXPECT_EQ(before.done, counts().done) << "Done ran inside the add-in's own call";
            EXPECT_TRUE(runUntil([&] { return counts().destroyed > before.destroyed; },
                                 "the object's destruction"));
            EXPECT_EQ(before.done + 1, counts().done);
            EXPECT_EQ(before.destroyed + 1, counts().destroyed);
            m_page->clear();
        }
    }
}

// The add-in's Done reports an error and reads the platform information, and the page lets go
// of its last reference to the site in its answer to either; the add-in then calls its host
// again: the site is still there to take the calls, and the object ends once.
TEST_F(HostFrames, AnAddInCallingItsHostAgainFromDoneFindsItsSite) {
    const char* const kPageCalls[] = {"addError", "getUserAgent"};
    for (const char* pageCall : kPageCalls) {
        SCOPED_TRACE(pageCall);
        nsCOMPtr<IAddInSiteExt> site = newSite();
        ASSERT_TRUE(site);
        IAddInSiteExt* const raw = site.get();
        const Counts before = counts();
        m_page->clear();
        m_page->m_onCall = [&](const std::string& method) {
            if (method == pageCall && site) letGo(site);
        };
        set_environment("STUB_ADDIN", "host_in_done");
        EXPECT_EQ(NS_OK, raw->Done());
        unset_environment("STUB_ADDIN");
        m_page->m_onCall = nullptr;
        EXPECT_FALSE(site) << "the page's answer never came";
        std::vector<PageCall> events = m_page->calls("externalEvent");
        ASSERT_EQ(1u, events.size()) << "the add-in's event after the page let go";
        EXPECT_EQ(u"done", events[0].b);
        EXPECT_EQ(before.done + 1, counts().done);
        EXPECT_EQ(before.destroyed + 1, counts().destroyed);
    }
}

// The add-in sends an event from inside a reflection call, and the page lets go of the site in
// its answer: the call returns its answer, and the object ends once, with Done.
TEST_F(HostFrames, ASiteLetGoInsideAReflectionCallEndsOnceItReturned) {
    nsCOMPtr<IAddInSiteExt> site = newSite();
    ASSERT_TRUE(site);
    IAddInSiteExt* const raw = site.get();
    const Counts before = counts();
    m_page->m_onCall = [&](const std::string& method) {
        if (method == "externalEvent" && site) letGo(site);
    };
    set_environment("STUB_ADDIN", "event_in_reflection");
    int32_t properties = -1;
    EXPECT_EQ(NS_OK, raw->GetNProps(&properties));
    unset_environment("STUB_ADDIN");
    m_page->m_onCall = nullptr;
    EXPECT_FALSE(site) << "the page's answer never came";
    EXPECT_EQ(3, properties);
    EXPECT_EQ(before.done + 1, counts().done);
    EXPECT_EQ(before.destroyed + 1, counts().destroyed);
}

// A library without DestroyObject, whose thread calls its host without pause.
class KeptAddInFrames : public HostFrames {
protected:
    const char* addInLibrary() const override { return VELMOR_KEPT_ADDIN; }
};

// The add-in reads the profile on the main thread while its thread calls in; the page, inside
// its answer, waits for the thread's rounds and then ends the site. The thread is never held up
// by the page's answer, and the finish (which cuts the object off its host, waiting for the
// thread's calls under way) never waits inside it.
TEST_F(KeptAddInFrames, AProfileReadWhoseAnswerEndsTheSiteEndsWhileTheAddInsThreadCalls) {
    nsCOMPtr<IAddInSiteExt> site = newSite();
    ASSERT_TRUE(site);
    IAddInSiteExt* const raw = site.get();
    nsCOMPtr<nsIVariant> ignored;
    ASSERT_EQ(NS_OK, raw->Call(u"Stream", nullptr, getter_AddRefs(ignored)));
    const Counts before = counts();
    bool roundsInside = false;
    m_page->m_onCall = [&](const std::string& method) {
        if (method != "readValue" || !site) return;
        nsCOMPtr<nsIVariant> rounds;
        if (raw->Call(u"AwaitStream", nullptr, getter_AddRefs(rounds)) == NS_OK && rounds) {
            rounds->GetAsBool(&roundsInside);
        }
        raw->Done();
        site = nullptr;
    };
    {
        const Watchdog watchdog("the profile read whose answer ends the site");
        EXPECT_EQ(1, m_hostCallNow("read"));
        m_page->m_onCall = nullptr;
        EXPECT_TRUE(roundsInside) << "the add-in's thread was held up by the page's answer";
        EXPECT_TRUE(runUntil([&] { return counts().done > before.done; }, "the object's Done"));
    }
    EXPECT_EQ(before.done + 1, counts().done);
    EXPECT_EQ(before.destroyed, counts().destroyed) << "a library without DestroyObject";
    // The given-up object's thread calls code of the component, which the browser unloads.
    auto stop = reinterpret_cast<StopStreams>(find_symbol(m_library, "stub_stop_streams"));
    ASSERT_NE(nullptr, stop);
    EXPECT_EQ(1, stop()) << "the add-in's thread did not end";
}

}  // namespace
}  // namespace velmor_test
