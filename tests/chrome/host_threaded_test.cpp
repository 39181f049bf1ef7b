// The Chrome host with the add-in's reader thread: the whole road of one scan, and callbacks
// from the reader thread that must never interleave with the main thread's replies, also
// while the site that receives them goes away.

#include <gtest/gtest.h>

#include <atomic>
#include <set>
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
using velmor_test::PtyScanner;

namespace {

#ifdef VELMOR_SCANNER_PORT
// The Windows host under Wine opens a COM port; the test feeds it through the relayed line.
struct ScannerLine : velmor_test::WineFeedLine {
    ScannerLine() : WineFeedLine(VELMOR_SCANNER_PORT, VELMOR_FEED_PORT) {}
};
#else
typedef PtyScanner ScannerLine;
#endif

const auto& site_reply = chrome_test::reply;

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

// `site` claims the scanner's line.
template <typename Scanner>
void claim(Host& host, unsigned site, Scanner& scanner) {
    host.send(host.siteCall(site, 3, "setPropertyValue",
                            "[\"Port\",\"" + scanner.path() + "\"]"));
    host.next("Port set");
    host.send(host.siteCall(site, 4, "callExt", "[\"Claim\"]"));
    host.next("Claim reply");
}

// A site on a claimed line; returns its cls_id.
template <typename Scanner>
unsigned claimed_site(Host& host, Scanner& scanner) {
    const unsigned site = host.makeSite(1);
    claim(host, site, scanner);
    return site;
}

// One more site of the add-in that makeSite loaded, not yet claimed.
unsigned another_site(Host& host) {
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":2,\"method\":\"createInstance\","
              "\"params\":[\"Dev.Scandor\"]}");
    return parse(host.next("createInstance reply"))["retVal"]["cls_id"].asUInt();
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

// Sends a call of the service's "init" and takes every frame up to its reply (events that
// are still under way included); false when the reply does not come.
bool settle(Host& host, unsigned query) {
    host.send(init_call(query));
    for (;;) {
        const std::string text = host.nextMessage("the probe's reply");
        if (text.empty()) return false;
        if (text == init_call_reply(query)) return true;
    }
}

// Codes flow from a scanner on a thread of their own until stopped; the thread also ends
// when nobody takes the bytes any more.
class CodeStream {
public:
    CodeStream(PtyScanner& scanner, const std::string& prefix)
        : m_thread([this, &scanner, prefix] {
              const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
              for (unsigned i = 0; !m_stop.load(); ++i) {
                  if (!scanner.sendBefore(prefix + std::to_string(i) + "\r", deadline)) break;
              }
              m_done.store(true);
          }) {}
    ~CodeStream() {
        m_stop.store(true);
        if (m_thread.joinable()) m_thread.join();
    }
    // Stops the stream while taking the host's output: the writer may wait for the add-in,
    // the add-in for the host's output, and that for us.
    bool stop(Host& host, unsigned query) {
        m_stop.store(true);
        while (!m_done.load()) {
            if (!settle(host, query)) return false;
        }
        m_thread.join();
        return settle(host, query + 1);
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// A request that fails, in one of the three ways an error reply is made: an argument error
// that leaves translateMsg, one that an invoked method raises, and a request for no object.
struct FailingRequest {
    std::string text;
    unsigned cls;
    int num;
    const char* descr;
};

FailingRequest failing_request(unsigned i, unsigned site, unsigned query) {
    const std::string q = std::to_string(query);
    switch (i % 3) {
        case 0:
            return {"{\"type\":2,\"cls_id\":" + std::to_string(site) + ",\"query_id\":" + q +
                        ",\"method\":\"callExt\"}",
                    site, 1, "Invalid arguments"};
        case 1:
            return {"{\"type\":2,\"cls_id\":0,\"query_id\":" + q +
                        ",\"method\":\"createInstance\",\"params\":[\"Nobody\"]}",
                    0, 1, "Invalid arguments"};
        default:
            return {"{\"type\":8,\"cls_id\":4000,\"query_id\":" + q + ",\"property\":\"P\"}", 4000,
                    8, "Invalid operation"};
    }
}

TEST(ThreadedQueryIds, ErrorRepliesCarryTheirRequestsIdWhileCodesFlow) {
    PtyScanner scanner;
    Host host;
    ASSERT_TRUE(host.started);
    const unsigned site = claimed_site(host, scanner);
    CodeStream stream(scanner, "S");
    // The stream is under way before the first request.
    const JsValue first = parse(host.next("the first event of the stream"));
    ASSERT_EQ("externalEvent", first["method"].asString());

    const unsigned kRequests = 2000;
    const unsigned kFirstQuery = 100000;
    for (unsigned i = 0; i < kRequests; ++i) {
        ASSERT_TRUE(host.send(failing_request(i, site, kFirstQuery + i).text))
            << host.driver.lastError();
    }
    unsigned errors = 0;
    unsigned mismatches = 0;
    unsigned eventsBetween = 0;
    while (errors < kRequests) {
        const std::string text = host.next("the error replies");
        ASSERT_FALSE(text.empty());
        const JsValue msg = parse(text);
        if (msg["type"].asInt() == 15) {
            if (errors > 0) ++eventsBetween;
            continue;
        }
        const FailingRequest expected = failing_request(errors, site, kFirstQuery + errors);
        ASSERT_EQ(11, msg["type"].asInt()) << text;
        EXPECT_EQ(expected.cls, msg["cls_id"].asUInt()) << text;
        EXPECT_EQ(expected.num, msg["error_num"].asInt()) << text;
        EXPECT_EQ(expected.descr, msg["error_descr"].asString()) << text;
        if (msg["query_id"].asUInt() != kFirstQuery + errors) ++mismatches;
        ++errors;
    }
    EXPECT_EQ(0u, mismatches) << "error replies under another request's id";
    EXPECT_GT(eventsBetween, 0u) << "no event came while the errors did";
    ASSERT_TRUE(stream.stop(host, 6));
    host.send(host.siteCall(site, 8, "callExt", "[\"Close\"]"));
    ASSERT_TRUE(settle(host, 9));
    host.quit();
}

TEST(ThreadedChunks, LargeEventsOfTwoScannersGoOutAsWholeSequences) {
    PtyScanner scannerA;
    PtyScanner scannerB;
    Host host;
    ASSERT_TRUE(host.started);
    const unsigned siteA = host.makeSite(1);
    const unsigned siteB = another_site(host);
    // Each event carries its site's description, long enough for two chunks.
    const std::string descrA(1100000, 'a');
    const std::string descrB(1100000, 'b');
    for (const auto& s : {std::make_pair(siteA, &descrA), std::make_pair(siteB, &descrB)}) {
        host.send(host.siteCall(s.first, 3, "setPropertyValue",
                                "[\"EventDescription\",\"" + *s.second + "\"]"));
        ASSERT_FALSE(host.nextMessage("EventDescription set").empty());
    }
    claim(host, siteA, scannerA);
    claim(host, siteB, scannerB);

    const int kPairs = 10;
    std::thread writerA([&] {
        for (int i = 0; i < kPairs; ++i) scannerA.send("A" + std::to_string(i) + "\r");
    });
    std::thread writerB([&] {
        for (int i = 0; i < kPairs; ++i) scannerB.send("B" + std::to_string(i) + "\r");
    });
    int seenA = 0;
    int seenB = 0;
    std::set<uint32_t> ids;
    while (seenA < kPairs || seenB < kPairs) {
        uint32_t id = 0;
        const std::string text = host.nextMessage("the large events", &id);
        ASSERT_FALSE(text.empty());
        const JsValue event = parse(text);
        const bool fromA = event["cls_id"].asUInt() == siteA;
        ASSERT_TRUE(fromA || event["cls_id"].asUInt() == siteB) << text.substr(0, 200);
        int& seen = fromA ? seenA : seenB;
        const std::string expected =
            "{\"cls_id\":" + std::to_string(fromA ? siteA : siteB) +
            ",\"method\":\"externalEvent\",\"params\":[\"Scandor\",\"" + (fromA ? descrA : descrB) +
            "\",\"" + (fromA ? "A" : "B") + std::to_string(seen) + "\"],\"query_id\":" +
            std::to_string(id) + ",\"type\":15}\n";
        EXPECT_TRUE(text == expected) << "event " << seen << " of " << (fromA ? "A" : "B")
                                      << " reassembled differently: " << text.substr(0, 80)
                                      << "... " << text.substr(text.size() - 40);
        EXPECT_TRUE(ids.insert(id).second) << "two messages under the query id " << id;
        ++seen;
    }
    writerA.join();
    writerB.join();
    host.send(host.siteCall(siteA, 30, "callExt", "[\"Close\"]"));
    host.nextMessage("Close reply of A");
    host.send(host.siteCall(siteB, 31, "callExt", "[\"Close\"]"));
    host.nextMessage("Close reply of B");
    host.quit();
}

class SiteGoesAway : public ::testing::TestWithParam<const char*> {};

TEST_P(SiteGoesAway, WhileTheReaderThreadDeliversEvents) {
    PtyScanner scanner;
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
