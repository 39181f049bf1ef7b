// The native add-in's lifecycle as every bridge drives it (NativeAddIn), with the stand-in
// add-in library of the Chrome host's tests: a finish that the object's own callbacks ask for
// again.

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
#include "native_addin.h"

namespace {

typedef std::basic_string<uint16_t> Text;

Text text(const char* s) {
    Text t;
    for (; *s; ++s) t.push_back(static_cast<unsigned char>(*s));
    return t;
}

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
std::unique_ptr<NativeAddIn> connected(const char* library, CountingHost& host) {
    std::unique_ptr<NativeAddIn> addIn(new NativeAddIn);
    EXPECT_TRUE(addIn->openLibrary(library)) << library;
    const Text name = text("Stub");
    EXPECT_EQ(NativeAddIn::eConnected,
              addIn->connect(name.c_str(), &host, &host, NativeAddIn::eAnnounceAndObey));
    return addIn;
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

}  // namespace
