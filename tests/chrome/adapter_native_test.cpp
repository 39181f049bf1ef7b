// The native adapter in process, called as an add-in calls its host: when memory runs out on
// the way, every host operation gives its failure answer and nothing thrown reaches the add-in.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "adapter_native.h"
#include "addin_site.h"
#include "failing_allocations.h"
#include "host_globals.h"
#include "object_holder.h"

namespace {

// Longer than any string keeps in place, so that every copy of it allocates.
std::basic_string<uint16_t> long_text() {
    const char kText[] = "A text longer than any string keeps in place";
    return std::basic_string<uint16_t>(kText, kText + sizeof kText - 1);
}

class NativeAdapterHost : public ::testing::Test {
protected:
    void SetUp() override {
        g_version = "8.3.1 and a version text long enough to be allocated";
        g_userAgent = "A user agent long enough to be allocated";
        site = new AddInSite();  // the registry owns it
        adapter = new AdapterNative();
        adapter->initialize(site);
    }
    void TearDown() override {
        adapter->destroy();
        ObjectHolder::get().remove(site->get_id());
        g_version.clear();
        g_userAgent.clear();
    }

    AddInSite* site = nullptr;
    AdapterNative* adapter = nullptr;
};

TEST_F(NativeAdapterHost, AnswersItsFailureWhenMemoryRunsOut) {
    std::basic_string<uint16_t> text = long_text();
    uint16_t* units = &text[0];
    tVariant written{};
    written.vt = VTYPE_PWSTR;
    written.pwstrVal = units;
    written.wstrLen = static_cast<uint32_t>(text.size());
    tVariant read{};
    long errorCode = -1;
    IAddInDefBaseEx* host = adapter;
    IPlatformInfoN* platform = static_cast<IPlatformInfoN*>(host->GetInterface(eIPlatformInfo));
    struct Operation {
        const char* name;
        std::function<bool()> call;
        bool answer;  // when memory runs out
    };
    const Operation operations[] = {
        {"AddError", [&] { return host->AddError(1, units, units, 2); }, false},
        {"Read", [&] { return host->Read(units, &read, &errorCode, nullptr); }, false},
        {"Write", [&] { return host->Write(units, &written); }, false},
        {"RegisterProfileAs", [&] { return host->RegisterProfileAs(units); }, false},
        {"SetStatusLine", [&] { return host->SetStatusLine(units); }, false},
        {"ResetStatusLine", [&] { host->ResetStatusLine(); return false; }, false},
        // An event that cannot be passed on is lost; the add-in hears true as before.
        {"ExternalEvent", [&] { return host->ExternalEvent(units, units, units); }, true},
        {"GetPlatformInfo", [&] { return platform->GetPlatformInfo() != nullptr; }, false},
    };
    for (const Operation& operation : operations) {
        bool answer = !operation.answer;
        bool escaped = false;
        try {
            FailingAllocations failing;
            answer = operation.call();
        } catch (...) {
            escaped = true;
        }
        EXPECT_FALSE(escaped) << operation.name << " let an exception reach the add-in";
        EXPECT_EQ(operation.answer, answer) << operation.name;
    }
    EXPECT_EQ(0, errorCode) << "Read sets the error code before anything can fail";
}

}  // namespace
