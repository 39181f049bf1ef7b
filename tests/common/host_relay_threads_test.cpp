// The host an add-in object is given (HostRelay), called from the add-in's own threads: only
// the events and the event buffer's depth pass there, and the platform information answered
// there is a record made on the host's thread that stays as it was.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "AddInDefBase.h"
#include "IMemoryManager.h"
#include "host_relay.h"
#include "interface_text.h"
#include "platform_info_records.h"

namespace {

using velmor_test::Text;
using velmor_test::text;

// An adapter that answers every call with success and records which operations reached it
// from a thread other than the one that made it.
class RecordingAdapter : public IAddInDefBaseEx,
                         public IMemoryManager,
                         public IMsgBoxN,
                         public IPlatformInfoN {
public:
    RecordingAdapter() : m_thread(std::this_thread::get_id()) {}

    bool AddError(unsigned short, const uint16_t*, const uint16_t*, long) override {
        return reached("AddError");
    }
    bool Read(uint16_t*, tVariant*, long*, uint16_t**) override { return reached("Read"); }
    bool Write(uint16_t*, tVariant*) override { return reached("Write"); }
    bool RegisterProfileAs(uint16_t*) override { return reached("RegisterProfileAs"); }
    bool SetEventBufferDepth(long) override { return reached("SetEventBufferDepth"); }
    long GetEventBufferDepth() override { return reached("GetEventBufferDepth") ? 7 : 0; }
    bool ExternalEvent(uint16_t*, uint16_t*, uint16_t*) override {
        return reached("ExternalEvent");
    }
    void CleanEventBuffer() override { reached("CleanEventBuffer"); }
    bool SetStatusLine(uint16_t*) override { return reached("SetStatusLine"); }
    void ResetStatusLine() override { reached("ResetStatusLine"); }
    IInterface* GetInterface(Interfaces iface) override {
        if (iface == eIMsgBox) return static_cast<IMsgBoxN*>(this);
        if (iface == eIPlatformInfo) return static_cast<IPlatformInfoN*>(this);
        return nullptr;
    }
    bool AllocMemory(void** pMemory, unsigned long) override {
        *pMemory = nullptr;
        return false;
    }
    void FreeMemory(void**) override {}
    bool Confirm(const uint16_t*, tVariant*) override { return reached("Confirm"); }
    bool Alert(const uint16_t*) override { return reached("Alert"); }

    // The texts of the page's answer, set on the host's thread between calls; the record
    // itself is rewritten at every call, as the bridges' adapters do.
    const AppInfo* GetPlatformInfo() override {
        reached("GetPlatformInfo");
        m_answerVersion = m_version;
        m_info.AppVersion = m_answerVersion.c_str();
        m_info.UserAgentInformation = m_agent.c_str();
        m_info.Application = eAppWebClient;
        return &m_info;
    }

    std::set<std::string> reachedFromElsewhere() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_elsewhere;
    }

    Text m_version = text("1.0");
    Text m_agent = text("Agent/1");

private:
    bool reached(const char* name) {
        if (std::this_thread::get_id() != m_thread) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_elsewhere.insert(name);
        }
        return true;
    }

    const std::thread::id m_thread;
    mutable std::mutex m_lock;
    std::set<std::string> m_elsewhere;
    Text m_answerVersion;
    AppInfo m_info{};
};

// Runs `call` on a thread of its own and waits for it.
template <class Call>
void on_another_thread(Call call) {
    std::thread(call).join();
}

std::string texts_of(const AppInfo* info) {
    if (info == nullptr) return "null";
    std::string said;
    for (const uint16_t* t : {info->AppVersion, info->UserAgentInformation}) {
        if (!said.empty()) said += "|";
        for (; t != nullptr && *t != 0; ++t) said += static_cast<char>(*t);
    }
    return said;
}

class RelayThreads : public ::testing::Test {
protected:
    IMsgBoxN* box() { return static_cast<IMsgBoxN*>(m_relay.GetInterface(eIMsgBox)); }
    IPlatformInfoN* platform() {
        return static_cast<IPlatformInfoN*>(m_relay.GetInterface(eIPlatformInfo));
    }

    RecordingAdapter m_adapter;
    HostRelay m_relay{&m_adapter, &m_adapter};
};

// Each operation other than the events and the depth, from another thread: refused with the
// call's failure, and nothing of it reaches the adapter.
TEST_F(RelayThreads, OnlyEventsAndTheDepthPassFromAnotherThread) {
    Text word = text("w");
    tVariant value{};
    long code = -1;
    struct Case {
        const char* name;
        std::function<bool()> refused;  // true when the call answered its failure
    };
    const std::vector<Case> cases = {
        {"AddError", [&] { return !m_relay.AddError(1, word.c_str(), word.c_str(), 0); }},
        {"Read", [&] { return !m_relay.Read(&word[0], &value, &code, nullptr); }},
        {"Write", [&] { return !m_relay.Write(&word[0], &value); }},
        {"RegisterProfileAs", [&] { return !m_relay.RegisterProfileAs(&word[0]); }},
        {"SetStatusLine", [&] { return !m_relay.SetStatusLine(&word[0]); }},
        {"ResetStatusLine", [&] { m_relay.ResetStatusLine(); return true; }},
        {"CleanEventBuffer", [&] { m_relay.CleanEventBuffer(); return true; }},
        {"Confirm", [&] { return !box()->Confirm(word.c_str(), &value); }},
        {"Alert", [&] { return !box()->Alert(word.c_str()); }},
        {"GetPlatformInfo", [&] { return platform()->GetPlatformInfo() == nullptr; }},
    };
    for (const Case& c : cases) {
        bool refused = false;
        on_another_thread([&] { refused = c.refused(); });
        EXPECT_TRUE(refused) << c.name << " answered success from another thread";
        EXPECT_EQ(VTYPE_EMPTY, value.vt) << c.name << " wrote the add-in's value";
    }
    EXPECT_EQ(std::set<std::string>(), m_adapter.reachedFromElsewhere());

    bool event = false, depthSet = false;
    long depth = 0;
    on_another_thread([&] {
        event = m_relay.ExternalEvent(&word[0], &word[0], &word[0]);
        depthSet = m_relay.SetEventBufferDepth(3);
        depth = m_relay.GetEventBufferDepth();
    });
    EXPECT_TRUE(event && depthSet);
    EXPECT_EQ(7, depth);
    EXPECT_EQ((std::set<std::string>{"ExternalEvent", "GetEventBufferDepth", "SetEventBufferDepth"}),
              m_adapter.reachedFromElsewhere());
}

TEST_F(RelayThreads, EveryOperationStillPassesOnTheHostsThread) {
    Text word = text("w");
    tVariant value{};
    EXPECT_TRUE(m_relay.AddError(1, word.c_str(), word.c_str(), 0));
    EXPECT_TRUE(m_relay.Read(&word[0], &value, nullptr, nullptr));
    EXPECT_TRUE(m_relay.Write(&word[0], &value));
    EXPECT_TRUE(m_relay.RegisterProfileAs(&word[0]));
    EXPECT_TRUE(m_relay.SetStatusLine(&word[0]));
    EXPECT_TRUE(box()->Confirm(word.c_str(), &value));
    EXPECT_TRUE(box()->Alert(word.c_str()));
    EXPECT_EQ("1.0|Agent/1", texts_of(platform()->GetPlatformInfo()));
}

// From another thread the answer is the record last made on the host's thread; a new answer
// there makes a new record and leaves the one another thread may hold as it was.
TEST_F(RelayThreads, AnotherThreadReadsTheRecordMadeOnTheHostsThread) {
    const AppInfo* first = platform()->GetPlatformInfo();
    ASSERT_EQ("1.0|Agent/1", texts_of(first));
    const AppInfo* seen = nullptr;
    on_another_thread([&] { seen = platform()->GetPlatformInfo(); });
    EXPECT_EQ(first, seen);

    EXPECT_EQ(first, platform()->GetPlatformInfo()) << "the same answer made a new record";

    m_adapter.m_version = text("2.0");
    const AppInfo* second = platform()->GetPlatformInfo();
    EXPECT_EQ("2.0|Agent/1", texts_of(second));
    EXPECT_EQ("1.0|Agent/1", texts_of(first)) << "an earlier record was rewritten";
    on_another_thread([&] { seen = platform()->GetPlatformInfo(); });
    EXPECT_EQ(second, seen);
}

// A page that varies its answer without end makes no more than a bounded number of records;
// each record made stays as it was.
TEST_F(RelayThreads, AnswersVaryingWithoutEndKeepABoundedNumberOfRecords) {
    const AppInfo* first = platform()->GetPlatformInfo();
    std::set<const AppInfo*> records;
    for (int i = 0; i < 1000; ++i) {
        m_adapter.m_version = text(std::to_string(i).c_str());
        records.insert(platform()->GetPlatformInfo());
    }
    EXPECT_LE(records.size(), PlatformInfoRecords::kMostRecords);
    EXPECT_EQ("1.0|Agent/1", texts_of(first)) << "an earlier record was rewritten";
}

// Two add-in threads and the host's thread at once, the page's answer changing meanwhile:
// every record read holds whole texts (ThreadSanitizer and AddressSanitizer watch the rest).
TEST_F(RelayThreads, SeveralThreadsReadThePlatformInformationAtOnce) {
    ASSERT_NE(nullptr, platform()->GetPlatformInfo());
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    auto reader = [&] {
        while (!stop.load()) {
            const std::string texts = texts_of(platform()->GetPlatformInfo());
            if (texts.size() != 11 || texts.compare(3, 8, "|Agent/1") != 0) ++torn;
        }
    };
    std::thread a(reader), b(reader);
    for (int i = 0; i < 2000; ++i) {
        m_adapter.m_version = text(i % 2 == 0 ? "3.0" : "4.0");
        EXPECT_EQ(11u, texts_of(platform()->GetPlatformInfo()).size());
    }
    stop.store(true);
    a.join();
    b.join();
    EXPECT_EQ(0, torn.load());
}

}  // namespace
