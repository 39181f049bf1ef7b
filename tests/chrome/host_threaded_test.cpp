// The Chrome host with the add-in's reader thread: the whole road of one scan, and callbacks
// from the reader thread that must never interleave with the main thread's replies, also
// while the site that receives them goes away.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "host_test_support.h"
#include "pty_scanner.h"
#ifdef VELMOR_SCANNER_PORT
#include "wine_feed_line.h"
#endif

using chrome_test::Host;
using chrome_test::HostFolder;
using chrome_test::init_call;
using chrome_test::init_call_reply;
using chrome_test::kInitReply;
using chrome_test::parse;
namespace {

#ifdef VELMOR_SCANNER_PORT
// The Windows host under Wine opens a COM port; the test feeds it through the relayed line.
struct ScannerLine : velmor_test::WineFeedLine {
    ScannerLine() : WineFeedLine(VELMOR_SCANNER_PORT, VELMOR_FEED_PORT) {}
};
#else
typedef velmor_test::PtyScanner ScannerLine;
#endif

std::string site_reply(unsigned site, unsigned query, const std::string& method,
                       const std::string& params, const std::string& retVal) {
    return "{\"cls_id\":" + std::to_string(site) + ",\"method\":\"" + method +
           "\",\"params\":" + params + ",\"properties\":{},\"query_id\":" +
           std::to_string(query) + ",\"retVal\":" + retVal +
           ",\"type\":2,\"writable_properties\":[]}\n";
}

TEST(ThreadedScan, WholeRoadOfOneScan) {
    ScannerLine scanner;
    Host host({"LANG=C"});
    ASSERT_TRUE(host.started);
    host.send("{\"type\":0,\"version\":\"8.3\",\"userAgent\":\"Chrome/120\"}");
    EXPECT_EQ(kInitReply, host.next("init reply"));
    host.send("{\"type\":4,\"create\":\"AddInServiceEx\",\"query_id\":1}");
    host.next("service description");  // object 1
    host.send("{\"type\":2,\"cls_id\":1,\"query_id\":8,\"method\":\"loadAddIn\","
              "\"params\":[\"Dev\",\"here\"]}");
    EXPECT_EQ("{\"cls_id\":1,\"method\":\"registerClassName\",\"params\":[\"Dev.Scandor\"],"
              "\"query_id\":9,\"type\":15}\n",
              host.next("registerClassName"));
    EXPECT_EQ(site_reply(1, 8, "loadAddIn", "[\"Dev\",\"here\"]", "true"), host.next("load reply"));
    host.send("{\"type\":2,\"cls_id\":1,\"query_id\":10,\"method\":\"createInstance\","
              "\"params\":[\"Dev.Scandor\"]}");
    EXPECT_EQ(site_reply(1, 10, "createInstance", "[\"Dev.Scandor\"]",
                         "{\"cls_id\":2,\"cls_name\":\"AddInSite\",\"methods\":[\"callExt\","
                         "\"done\",\"getPropertyValue\",\"setPropertyValue\"],\"properties\":{},"
                         "\"writable_properties\":[]}"),
              host.next("createInstance reply"));
    const std::string port = "[\"Port\",\"" + scanner.path() + "\"]";
    host.send(host.siteCall(2, 11, "setPropertyValue", port));
    EXPECT_EQ(site_reply(2, 11, "setPropertyValue", port, "null"), host.next("Port set"));
    host.send(host.siteCall(2, 12, "setPropertyValue", "[\"EventName\",\"ScanEvt\"]"));
    host.next("EventName set");
    host.send(host.siteCall(2, 13, "setPropertyValue", "[\"EventDescription\",\"Code read\"]"));
    host.next("EventDescription set");
    host.send(host.siteCall(2, 14, "callExt", "[\"Claim\"]"));
    EXPECT_EQ(site_reply(2, 14, "callExt", "[\"Claim\"]", "null"), host.next("Claim reply"));
    host.send(host.siteCall(2, 15, "getPropertyValue", "[\"Claimed\"]"));
    EXPECT_EQ(site_reply(2, 15, "getPropertyValue", "[\"Claimed\"]", "true"),
              host.next("Claimed reply"));

    scanner.send("4600000000011\r");
    EXPECT_EQ("{\"cls_id\":2,\"method\":\"externalEvent\",\"params\":[\"ScanEvt\",\"Code read\","
              "\"4600000000011\"],\"query_id\":16,\"type\":15}\n",
              host.next("the external event of the first code"));
    scanner.send("CODE-2\n");
    EXPECT_EQ("{\"cls_id\":2,\"method\":\"externalEvent\",\"params\":[\"ScanEvt\",\"Code read\","
              "\"CODE-2\"],\"query_id\":17,\"type\":15}\n",
              host.next("the external event of the second code"));

    host.send(host.siteCall(2, 30, "callExt", "[\"Close\"]"));
    EXPECT_EQ(site_reply(2, 30, "callExt", "[\"Close\"]", "null"), host.next("Close reply"));
    host.quit();
}

// A site on a claimed pty; returns its cls_id.
template <typename Scanner>
unsigned claimed_site(Host& host, Scanner& scanner) {
    const unsigned site = host.makeSite(1);
    host.send(host.siteCall(site, 3, "setPropertyValue",
                            "[\"Port\",\"" + scanner.path() + "\"]"));
    host.next("Port set");
    host.send(host.siteCall(site, 4, "callExt", "[\"Claim\"]"));
    host.next("Claim reply");
    return site;
}

TEST(ThreadedScan, EventsFromTheReaderThreadNeverInterleaveWithReplies) {
    ScannerLine scanner;
    Host host;
    ASSERT_TRUE(host.started);
    const unsigned site = claimed_site(host, scanner);

    const int kCodes = 400;
    const int kCalls = 150;
    std::thread writer([&scanner] {
        for (int i = 0; i < kCodes; ++i) scanner.send("C" + std::to_string(100000 + i) + "\r");
    });
    // Large replies take long to write, which widens the window for interleaving. The
    // driver keeps the replies that arrive while it writes.
    const std::string pad(30000, 'p');
    for (int i = 0; i < kCalls; ++i) {
        ASSERT_TRUE(host.driver.writeFrame("{\"type\":2,\"cls_id\":0,\"query_id\":" +
                                           std::to_string(1000 + i) +
                                           ",\"method\":\"init\",\"params\":[],\"pad\":\"" +
                                           pad + "\"}"))
            << host.driver.lastError();
    }

    int replies = 0;
    int events = 0;
    while (replies < kCalls || events < kCodes) {
        const std::string text = host.next("replies and events");
        if (text.empty()) break;
        const JsValue msg = parse(text);
        ASSERT_TRUE(msg.isObject()) << text.substr(0, 200);
        if (msg["type"].asInt() == 2) {
            EXPECT_EQ(1000u + replies, msg["query_id"].asUInt()) << "replies out of order";
            EXPECT_EQ(132u + pad.size(), text.size());
            ++replies;
        } else {
            ASSERT_EQ(15, msg["type"].asInt()) << text.substr(0, 200);
            EXPECT_EQ(site, msg["cls_id"].asUInt());
            EXPECT_EQ("externalEvent", msg["method"].asString());
            EXPECT_EQ("C" + std::to_string(100000 + events), msg["params"][2u].asString());
            // Requests set the shared counter too, so callbacks between them may repeat a
            // number; what matters is that every one is a number the counter held.
            const JsKind kind = js_kind(msg["query_id"]);
            EXPECT_TRUE(kind == eJsInt || kind == eJsUInt);
            ++events;
        }
    }
    writer.join();
    EXPECT_EQ(kCalls, replies);
    EXPECT_EQ(kCodes, events);
    host.quit();
}

class SiteGoesAway : public ::testing::TestWithParam<const char*> {};

TEST_P(SiteGoesAway, WhileTheReaderThreadDeliversEvents) {
    velmor_test::PtyScanner scanner;
    Host host;
    ASSERT_TRUE(host.started);
    const unsigned site = claimed_site(host, scanner);

    // A bounded burst: once the site is gone nobody reads the pty, and an endless writer
    // would block on a full line.
    std::atomic<bool> written{false};
    std::thread writer([&] {
        try {
            for (int i = 0; i < 3000; ++i) scanner.send("X" + std::to_string(i) + "\r");
        } catch (...) {
        }
        written.store(true);
    });
    // A few events first, so that the reader thread is busy when the site goes.
    for (int i = 0; i < 5; ++i) host.next("an event before the site goes");

    if (std::string(GetParam()) == "release") {
        host.send("{\"type\":10,\"cls_id\":" + std::to_string(site) + "}");
    } else {
        host.send(host.siteCall(site, 50, "done", "[]"));
    }
    host.send(init_call(60));
    // Events may still come before the probe's reply, none after it.
    for (;;) {
        const std::string text = host.next("the probe's reply after the site went");
        if (text.empty() || text == init_call_reply(60)) break;
        const JsValue msg = parse(text);
        ASSERT_TRUE(msg["type"].asInt() == 15 || msg["method"].asString() == "done")
            << text.substr(0, 200);
    }
    // Take what is left in the line so that the writer can finish.
    const int drain = ::open(scanner.path().c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    ASSERT_GE(drain, 0);
    for (;;) {
        pollfd p = {drain, POLLIN, 0};
        char buffer[4096];
        if (::poll(&p, 1, 20) > 0 && ::read(drain, buffer, sizeof buffer) > 0) continue;
        if (written.load()) break;
    }
    writer.join();
    ::close(drain);
    host.expectNothingBefore(61);
    host.quit();
}

struct InstallCase {
    const char* name;
    const char* folder;
    bool hostFileRemoved;  // replaced by an update while the host runs
};

void PrintTo(const InstallCase& c, std::ostream* out) { *out << c.name; }

class InstalledHost : public ::testing::TestWithParam<InstallCase> {};

TEST_P(InstalledHost, FindsTheAddInBesideItAndDeliversAScan) {
    const InstallCase& c = GetParam();
    HostFolder folder(c.folder, chrome_test::addin_path());
    ASSERT_TRUE(folder.ok);
    ScannerLine scanner;
    Host host({}, folder.host());
    ASSERT_TRUE(host.started);
    if (c.hostFileRemoved) {
        // Once the host answers, it runs from its file, which may then go.
        host.send("{\"type\":0}");
        ASSERT_EQ(kInitReply, host.next("the first init reply"));
        folder.removeHost();
    }
    const unsigned site = claimed_site(host, scanner);
    host.send(host.siteCall(site, 5, "getPropertyValue", "[\"Claimed\"]"));
    EXPECT_EQ(site_reply(site, 5, "getPropertyValue", "[\"Claimed\"]", "true"),
              host.next("Claimed"));
    scanner.send("4600000000011\r");
    const JsValue event = parse(host.next("the external event"));
    EXPECT_EQ("externalEvent", event["method"].asString());
    EXPECT_EQ("4600000000011", event["params"][2u].asString());
    host.quit();
}

// Five levels of 240 letters: a path of more than 1200 characters, far beyond the 260 of a
// classic Windows path.
const std::string kLongPath = [] {
    std::string path;
    for (int i = 0; i < 5; ++i) path += (i ? "/" : "") + std::string(240, char('a' + i));
    return path;
}();

INSTANTIATE_TEST_SUITE_P(
    Folders, InstalledHost,
    ::testing::Values(InstallCase{"BlankInTheFolderName", "My Scanner", false},
                      InstallCase{"DoubleAndTrailingBlanks", "Velmor (x86)  Scan ", false},
                      // Beyond ASCII, and beyond any one ANSI code page.
                      InstallCase{"NonAsciiFolderName", "\xD0\xA1\xD0\xBA\xD0\xB0\xD0\xBD "
                                                        "\xC3\xA9\xE2\x82\xAC", false},
                      InstallCase{"HostFileRemovedWhileRunning", "My Scanner", true},
                      InstallCase{"PathOfMoreThan1200Characters", kLongPath.c_str(), false}),
    [](const ::testing::TestParamInfo<InstallCase>& p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(Ways, SiteGoesAway, ::testing::Values("release", "done"));

}  // namespace
