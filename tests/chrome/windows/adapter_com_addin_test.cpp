// The COM adapter in process with the COM add-in fixture connected: what the add-in puts in
// place of a call's list, parameter counts that no array can hold, the host calls that a
// thread of the add-in makes while the host's thread goes on, and events that such a thread
// sends after the site has gone.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>

#include "adapter_com_win.h"
#include "addin_site.h"
#include "com_addins.h"
#include "fixture_library.h"
#include "frame_output.h"
#include "host_exceptions.h"
#include "host_globals.h"
#include "hostile_lists.h"
#include "message_box.h"
#include "object_holder.h"

namespace {

UnicodeString unicode(const std::u16string& text) {
    return UnicodeString(reinterpret_cast<const UnicodeChar*>(text.data()), text.size());
}

CNPVariant list_of(int value) {
    CNPVariant list = CJSArray();
    list.append(JsValue(value));
    return list;
}

// The site's callbacks to the page, written into a file of their own while this lives.
class OutputToFile {
public:
    OutputToFile() : m_saved(output_fd()) {
        wchar_t folder[MAX_PATH] = {};
        wchar_t file[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        GetTempFileNameW(folder, L"out", 0, file);
        m_path = file;
        m_fd = ::_wopen(file, _O_WRONLY | _O_BINARY | _O_TRUNC);
        if (m_fd >= 0) set_output_fd(m_fd);
    }
    ~OutputToFile() {
        restore();
        DeleteFileW(m_path.c_str());
    }
    OutputToFile(const OutputToFile&) = delete;
    OutputToFile& operator=(const OutputToFile&) = delete;

    // The output back where it was; what was written meanwhile.
    std::string finish() {
        restore();
        std::ifstream in(m_path.c_str(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    void restore() {
        if (m_fd < 0) return;
        set_output_fd(m_saved);
        ::_close(m_fd);
        m_fd = -1;
    }

    int m_saved;
    int m_fd = -1;
    std::wstring m_path;
};

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Boxes answered here, counted by the thread that asked.
std::atomic<int> g_boxesOnHome{0};
std::atomic<int> g_boxesElsewhere{0};
DWORD g_homeThread = 0;
bool count_box(const UnicodeString&, MessageBoxKind) {
    ++(GetCurrentThreadId() == g_homeThread ? g_boxesOnHome : g_boxesElsewhere);
    return true;
}

std::string narrow(const CNPVariant& value) {
    return value.isString() ? value.asString() : std::string();
}

// What the fixture's own thread hears from each host operation (host_exercise.cpp) but the
// platform information: only the events and the depth pass.
const char* const kRefusedOnItsThread[] = {
    "status=80004005,80004005;",
    "profile=80004005,80004005,80004005:0:,80004005:0:;",
    "error=80004005;",
    "events=00000000,00000000:7,80004005,00000000;",
    "boxes=80004005:0:,80004005;",
    "windows=80004001;",
    "|late:profile=80004005,80004005,80004005:0:;",
    "events=00000000,00000000:9,80004005,00000000;",
    "status=80004005,80004005,80004005,80004001;",
    "context=80004005,80004005:0:,80004005:3:1:8:two;",
};

class ComAdapterWithAddIn : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        s_registered = com_test::register_fixture();
    }
    void SetUp() override {
        ASSERT_TRUE(s_registered) << "the fixture registers itself and Wine sees it";
        library().reset();
        connectProbe();
    }
    void TearDown() override {
        endSite();
        EXPECT_EQ(0, AdapterCOM::liveObjects()) << "the adapter outlived every reference";
    }

    void connectProbe() {
        adapter = static_cast<AdapterCOM*>(create_com_adapter());
        site = new AddInSite();  // the registry owns it
        adapter->initialize(site);
        adapter->connect(unicode(u"AddIn.Probe"), UnicodeString());
        ASSERT_TRUE(adapter->isComponentLoaded());
    }
    // The site gives its adapter back and goes, as when the page releases it.
    void endSite() {
        if (adapter != nullptr) adapter->destroy();
        adapter = nullptr;
        if (site != nullptr) ObjectHolder::get().remove(site->get_id());
        site = nullptr;
    }
    static const com_test::FixtureLibrary& library() {
        return com_test::FixtureLibrary::instance();
    }

    // The fixture's thread run `rounds` times; its one report (every round the same).
    std::string exerciseOnItsThread(int rounds, int homeRounds) {
        CNPVariant params = list_of(rounds);
        CNPVariant result;
        adapter->call(unicode(u"StartExercise"), params, result);
        for (int i = 0; i < homeRounds; ++i) {
            CNPVariant none = CJSArray();
            adapter->call(unicode(u"Exercise"), none, result);
        }
        CNPVariant none = CJSArray();
        adapter->call(unicode(u"AwaitExercise"), none, result);
        const std::string reports = narrow(result);
        const size_t end = reports.find('\n');
        EXPECT_EQ(reports.size(), end + 1) << "the rounds differ: " << reports;
        return reports.substr(0, end);
    }

    AdapterCOM* adapter = nullptr;
    AddInSite* site = nullptr;

private:
    static inline bool s_registered = false;
};

// Nothing of an array that is no list of VARIANTs is read: the call fails, and the page's
// values stay as they were.
TEST_F(ComAdapterWithAddIn, AHostileListFailsTheCallUnread) {
    for (int kind = 0; kind < fixture::kHostileListCount; ++kind) {
        CNPVariant params = list_of(kind);
        CNPVariant result;
        EXPECT_THROW(adapter->call(unicode(u"HandBack"), params, result), lib_exception)
            << "hostile list " << kind;
        EXPECT_EQ(list_of(kind), params) << "hostile list " << kind;
        EXPECT_EQ(0, library().counters().tripwireReleases) << "hostile list " << kind;
    }
}

TEST_F(ComAdapterWithAddIn, AParameterCountBeyondAnyArrayFailsTheCall) {
    for (const char16_t* method : {u"ManyParams", u"MostParams"}) {
        CNPVariant params = list_of(1);
        CNPVariant result;
        EXPECT_THROW(adapter->call(unicode(method), params, result), lib_exception);
        EXPECT_EQ(list_of(1), params);
        EXPECT_EQ(std::wstring::npos, library().journal().find(L"called"))
            << "the add-in was called";
    }
}

// A thread of the add-in calls every host operation while the host's thread calls them too:
// its events and the depth pass, every other call fails without a message to the page or a
// box, and the platform information it reads is the record made on the host's thread.
TEST_F(ComAdapterWithAddIn, TheAddInsOwnThreadPassesOnlyTheEventsAndTheDepth) {
    g_version = "8.3.1";
    g_userAgent = "Agent";
    g_homeThread = GetCurrentThreadId();
    g_boxesOnHome = g_boxesElsewhere = 0;
    set_message_box_answerer(count_box);
    OutputToFile output;
    const std::string before = exerciseOnItsThread(1, 0);
    EXPECT_NE(std::string::npos, before.find("platform=80004005;"))
        << "before the host's thread made a record: " << before;
    const int kRounds = 20;
    const int kHomeRounds = 5;
    const std::string report = exerciseOnItsThread(kRounds, kHomeRounds);
    for (const char* refused : kRefusedOnItsThread) {
        EXPECT_NE(std::string::npos, report.find(refused)) << refused << " in " << report;
    }
    EXPECT_NE(std::string::npos, report.find("platform=00000000:8.3.1|Agent|-1;")) << report;
    const std::string written = output.finish();
    const struct {
        const char* callback;
        size_t count;
    } expected[] = {
        {"\"externalEvent\"", 2 * (kRounds + 1) + kHomeRounds},
        {"\"setStatusLine\"", kHomeRounds},
        {"\"resetStatusLine\"", kHomeRounds},
        {"\"registerProfileAs\"", kHomeRounds},
        {"\"writeValue\"", kHomeRounds},
        {"\"readValue\"", 2 * kHomeRounds},
        {"\"addError\"", kHomeRounds},
    };
    for (const auto& callback : expected) {
        EXPECT_EQ(callback.count, occurrences(written, callback.callback)) << callback.callback;
    }
    EXPECT_EQ(2 * kHomeRounds, g_boxesOnHome.load());
    EXPECT_EQ(0, g_boxesElsewhere.load()) << "a box shown on the add-in's thread";
    set_message_box_answerer(nullptr);
    g_version.clear();
    g_userAgent.clear();
}

// A thread of the add-in that outlives Done, whether Done succeeds or fails, reaches no site
// once the site has gone; the adapter ends with the thread's last reference.
TEST_F(ComAdapterWithAddIn, EventsAfterTheSiteHasGoneReachNothing) {
    for (int fails : {0, 1}) {
        if (adapter == nullptr) connectProbe();
        CNPVariant params = list_of(fails);
        CNPVariant result;
        adapter->call(unicode(u"OutliveDone"), params, result);
        endSite();
        EXPECT_EQ(0, library().sendLateEvents(3)) << "Done failing: " << fails;
        EXPECT_EQ(0, AdapterCOM::liveObjects()) << "Done failing: " << fails;
    }
}

}  // namespace
