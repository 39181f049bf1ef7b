// The native add-in's lifecycle as every bridge drives it (NativeAddIn), with the stand-in
// add-in libraries of the Chrome host's tests: a finish that the object's own callbacks ask for
// again, and an object given up without DestroyObject that keeps calling from its thread.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "AddInDefBase.h"
#include "ComponentBase.h"
#include "IMemoryManager.h"
#include "environment_variable.h"
#include "host_relay.h"
#include "native_addin.h"
#include "interface_text.h"
#include "addin_library.h"

namespace {

using velmor_test::Text;
using velmor_test::text;

// A host that counts what reaches it and runs `m_onCallback` on every error and event, as a
// page that answers each of them.
class CountingHost : public IAddInDefBaseEx, public IMemoryManager {
public:
    bool AddError(unsigned short, const uint16_t*, const uint16_t*, long) override {
        ++m_errors;
        callback();
        return true;
    }
    bool Read(uint16_t*, tVariant*, long*, uint16_t**) override { return false; }
    bool Write(uint16_t*, tVariant*) override { return false; }
    bool RegisterProfileAs(uint16_t*) override { return false; }
    bool SetEventBufferDepth(long) override {
        ++m_depthCalls;
        return true;
    }
    long GetEventBufferDepth() override {
        ++m_depthCalls;
        return 1;
    }
    bool ExternalEvent(uint16_t*, uint16_t*, uint16_t*) override {
        ++m_events;
        callback();
        return true;
    }
    void CleanEventBuffer() override {}
    bool SetStatusLine(uint16_t*) override { return true; }
    void ResetStatusLine() override {}
    IInterface* GetInterface(Interfaces) override { return nullptr; }

    bool AllocMemory(void** pMemory, unsigned long bytes) override {
        *pMemory = ::operator new(bytes != 0 ? bytes : 1);
        return true;
    }
    void FreeMemory(void** pMemory) override {
        ::operator delete(*pMemory);
        *pMemory = nullptr;
    }

    std::atomic<int> m_errors{0};
    std::atomic<int> m_events{0};
    std::atomic<int> m_depthCalls{0};
    std::function<void()> m_onCallback;

private:
    void callback() {
        if (m_onCallback) m_onCallback();
    }
};

// One object of `library`, connected to `host`.
std::unique_ptr<NativeAddIn> connected(const char* library, CountingHost& host,
                                       NativeAddIn::Owner* owner = nullptr) {
    std::unique_ptr<NativeAddIn> addIn(new NativeAddIn(owner));
    EXPECT_TRUE(addIn->openLibrary(library)) << library;
    const Text name = text("Stub");
    EXPECT_EQ(NativeAddIn::eConnected,
              addIn->connect(name.c_str(), &host, &host, NativeAddIn::eAnnounceAndObey));
    return addIn;
}

// Calls the object's method `name` (one without parameters that answers a boolean).
bool call_method(NativeAddIn& addIn, const char* name) {
    NativeAddIn::CallScope scope(addIn);
    IComponentBase* component = addIn.component();
    if (component == nullptr) return false;
    const Text method = text(name);
    tVariant result{};
    const long index = component->FindMethod(method.c_str());
    return component->CallAsFunc(index, &result, nullptr, 0) && result.vt == VTYPE_BOOL &&
           result.bVal;
}

struct FinishCase {
    const char* name;
    const char* mode;  // STUB_ADDIN: where the object calls its host while it is finished
    std::atomic<int> CountingHost::*calls;
};

void PrintTo(const FinishCase& c, std::ostream* out) { *out << c.name; }

class FinishCalledAgain : public ::testing::TestWithParam<FinishCase> {
protected:
    void TearDown() override { velmor_test::unset_environment("STUB_ADDIN"); }
};

// The host ends the object on every callback, as a page ends its site on every error: Done
// and DestroyObject still run once each (a second Done would call back again, without end),
// the object already counts as gone inside them, and the library is closed once, after them.
TEST_P(FinishCalledAgain, FromTheObjectsOwnCallbackDoesNothingMore) {
    const FinishCase& c = GetParam();
    CountingHost host;
    std::unique_ptr<NativeAddIn> addIn = connected(VELMOR_STUB_ADDIN, host);
    velmor_test::set_environment("STUB_ADDIN", c.mode);
    int finishesAsked = 0;
    bool goneInside = true;
    host.m_onCallback = [&] {
        if (++finishesAsked > 3) return;  // enough to tell; the old code went on for ever
        goneInside = goneInside && addIn->component() == nullptr;
        addIn->finish();
    };
    addIn->finish();
    EXPECT_EQ(1, (host.*c.calls).load()) << "callbacks while the object was finished";
    EXPECT_TRUE(goneInside) << "the object still offered inside its finish";
    EXPECT_EQ(nullptr, addIn->component());
    EXPECT_FALSE(addIn->hasLibrary());
}

INSTANTIATE_TEST_SUITE_P(
    Table, FinishCalledAgain,
    ::testing::Values(FinishCase{"ErrorFromDone", "error_in_done", &CountingHost::m_errors},
                      FinishCase{"EventFromTheDestructor", "event_in_destroy",
                                 &CountingHost::m_events}),
    [](const ::testing::TestParamInfo<FinishCase>& p) { return std::string(p.param.name); });

// A library without DestroyObject: the object is only given up, and its thread goes on
// calling its host. From the finish on nothing reaches the adapter's host, which may then
// go; a second object of the library tells when the thread has made more rounds.
TEST(GivenUpObject, ReachesNothingOfItsHostAfterTheFinish) {
    std::unique_ptr<CountingHost> host(new CountingHost);
    std::unique_ptr<NativeAddIn> addIn = connected(VELMOR_KEPT_ADDIN, *host);
    CountingHost otherHost;
    std::unique_ptr<NativeAddIn> other = connected(VELMOR_KEPT_ADDIN, otherHost);
    ASSERT_TRUE(call_method(*addIn, "Stream"));
    ASSERT_TRUE(call_method(*other, "AwaitStream")) << "the thread's first rounds";
    EXPECT_GT(host->m_events.load(), 0);

    addIn->finish();
    EXPECT_TRUE(addIn->hasLibrary()) << "the library of a given-up object stays";
    const int events = host->m_events.load();
    const int depthCalls = host->m_depthCalls.load();
    ASSERT_TRUE(call_method(*other, "AwaitStream")) << "rounds after the finish";
    EXPECT_EQ(events, host->m_events.load()) << "events after the finish";
    EXPECT_EQ(depthCalls, host->m_depthCalls.load()) << "depth calls after the finish";

    addIn.reset();
    host.reset();
    EXPECT_TRUE(call_method(*other, "AwaitStream")) << "rounds after the host went";
}

// An adapter as the bridges' are: it counts the references the object's host calls take, and
// the finishes it was asked to run later.
class RecordingOwner final : public NativeAddIn::Owner {
public:
    void keepOwner() override { ++m_kept; }
    bool releaseOwner() override {
        --m_kept;
        return true;
    }
    bool endLater() override {
        ++m_laterAsked;
        return true;
    }
    int m_kept = 0;
    int m_laterAsked = 0;
};

// The stand-in add-in's controls, in the library the object lives in.
struct StubControls {
    explicit StubControls(const char* library) : m_library(open_library(library)) {
        hostCallNow = reinterpret_cast<int (*)(const char*)>(
            library_symbol(m_library, "stub_host_call_now"));
        counts = reinterpret_cast<void (*)(long*, long*)>(library_symbol(m_library, "stub_counts"));
    }
    ~StubControls() { close_library(m_library); }
    long done() const {
        long d = 0, destroyed = 0;
        counts(&d, &destroyed);
        return d;
    }
    long destroyed() const {
        long d = 0, destroyed = 0;
        counts(&d, &destroyed);
        return destroyed;
    }
    HMODULE m_library;
    int (*hostCallNow)(const char*) = nullptr;
    void (*counts)(long*, long*) = nullptr;
};

// The object's own timer on the host's thread calls its host outside any call into it, and
// the host ends the object from there: the object returns into itself, alive; the finish runs
// once, after the call: later through the owner (whose reference the call held), or, without
// an owner (the Chrome host, where no such timer runs), when a finish is asked for again.
TEST(HostCallFrame, AFinishAskedInsideTheObjectsOwnHostCallRunsAfterItReturned) {
    StubControls stub(VELMOR_STUB_ADDIN);
    ASSERT_NE(nullptr, stub.hostCallNow);
    ASSERT_NE(nullptr, stub.counts);
    for (const bool withOwner : {true, false}) {
        SCOPED_TRACE(withOwner ? "with an owner" : "without an owner");
        CountingHost host;
        RecordingOwner owner;
        std::unique_ptr<NativeAddIn> addIn =
            connected(VELMOR_STUB_ADDIN, host, withOwner ? &owner : nullptr);
        const long done = stub.done(), destroyed = stub.destroyed();
        int keptInside = 0;
        host.m_onCallback = [&] {
            keptInside = owner.m_kept;
            addIn->finish();
        };
        EXPECT_EQ(1, stub.hostCallNow("event")) << "the object was gone when its call returned";
        host.m_onCallback = nullptr;
        EXPECT_EQ(1, host.m_events.load());
        EXPECT_EQ(done, stub.done()) << "Done ran inside the object's own call";
        EXPECT_EQ(nullptr, addIn->component()) << "the object still offered after its finish";
        EXPECT_EQ(withOwner ? 1 : 0, keptInside);
        EXPECT_EQ(0, owner.m_kept);
        EXPECT_EQ(withOwner ? 1 : 0, owner.m_laterAsked);
        if (withOwner) {
            addIn->finishIfPending();
        } else {
            addIn->finish();
        }
        EXPECT_EQ(done + 1, stub.done());
        EXPECT_EQ(destroyed + 1, stub.destroyed());
        EXPECT_FALSE(addIn->hasLibrary());
        addIn->finishIfPending();
        EXPECT_EQ(done + 1, stub.done()) << "a second later finish";
    }
}

// An adapter whose last reference is the one the object's own host call holds, and whose
// later finish cannot be had (its thread takes no more work): the page lets go of it inside
// that call, and it ends as the call returns, asking for the finish as its destructor would.
// The object is still in its own code then: it is given up, not finished, under it.
class EndingOwner final : public NativeAddIn::Owner {
public:
    void keepOwner() override { ++m_kept; }
    bool releaseOwner() override {
        if (--m_kept > 0) return true;
        m_addIn->finish();
        m_addIn.reset();
        return false;
    }
    bool endLater() override { return false; }
    int m_kept = 1;  // the page's
    std::unique_ptr<NativeAddIn> m_addIn;
};

// (The library keeps its objects, as one without DestroyObject does, so that the given-up
// object is no leak.)
TEST(HostCallFrame, AnOwnerEndingAsTheObjectsOwnHostCallReturnsGivesTheObjectUp) {
    StubControls stub(VELMOR_KEPT_ADDIN);
    ASSERT_NE(nullptr, stub.hostCallNow);
    CountingHost host;
    EndingOwner owner;
    owner.m_addIn = connected(VELMOR_KEPT_ADDIN, host, &owner);
    const long done = stub.done();
    host.m_onCallback = [&] {
        owner.m_addIn->finish();
        --owner.m_kept;  // the page lets go of the adapter
    };
    EXPECT_EQ(1, stub.hostCallNow("event")) << "the object was gone when its call returned";
    host.m_onCallback = nullptr;
    EXPECT_EQ(nullptr, owner.m_addIn) << "the owner did not end";
    EXPECT_EQ(done, stub.done()) << "Done ran inside the object's own call";
}

// A host that offers its platform information, in a record of its own.
class PlatformHost : public CountingHost, public IPlatformInfoN {
public:
    IInterface* GetInterface(Interfaces iface) override {
        return iface == eIPlatformInfo ? static_cast<IPlatformInfoN*>(this) : nullptr;
    }
    const AppInfo* GetPlatformInfo() override {
        m_info.AppVersion = m_version.c_str();
        m_info.UserAgentInformation = m_agent.c_str();
        m_info.Application = eAppWebClient;
        return &m_info;
    }

private:
    Text m_version = text("8.3");
    Text m_agent = text("agent");
    AppInfo m_info{};
};

// The platform information a given-up object read before its finish stays readable after
// the adapter that answered it is gone (the relay is the host object the object holds).
TEST(GivenUpObject, KeepsThePlatformInformationItReadAfterItsHostWent) {
    std::unique_ptr<PlatformHost> host(new PlatformHost);
    HostRelay relay(host.get(), host.get());
    auto platform = static_cast<IPlatformInfoN*>(relay.GetInterface(eIPlatformInfo));
    ASSERT_NE(nullptr, platform);
    const AppInfo* info = platform->GetPlatformInfo();
    ASSERT_NE(nullptr, info);
    relay.detach();
    host.reset();
    EXPECT_EQ(text("8.3"), Text(info->AppVersion));
    EXPECT_EQ(text("agent"), Text(info->UserAgentInformation));
    EXPECT_EQ(eAppWebClient, info->Application);
    EXPECT_EQ(nullptr, platform->GetPlatformInfo()) << "a detached relay answers no site";
}

}  // namespace
