// The host with a stand-in add-in beside it (stub_addin.cpp): class lists, components that
// do not load or refuse to start, the shared site of versions 1000..1999, the adapter's
// argument handling and every callback of the host interface, compared byte for byte.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host_test_support.h"

using chrome_test::Host;
using chrome_test::call;
using chrome_test::reply;
using chrome_test::HostFolder;
using chrome_test::error_text;
using chrome_test::kInitReply;
using chrome_test::parse;

namespace {

std::string callback(unsigned cls, const std::string& method, const std::string& params,
                     unsigned query) {
    return "{\"cls_id\":" + std::to_string(cls) + ",\"method\":\"" + method +
           "\",\"params\":" + params + ",\"query_id\":" + std::to_string(query) + ",\"type\":15}\n";
}

class StubHost : public ::testing::Test {
protected:
    void start(const std::string& mode, bool withAddIn = true) {
        startWith(mode, withAddIn ? VELMOR_STUB_ADDIN : "");
    }
    void startWith(const std::string& mode, const std::string& library) {
        folder.reset(new HostFolder("", library));
        ASSERT_TRUE(folder->ok);
        host.reset(new Host({"STUB_ADDIN=" + mode}, folder->host()));
        ASSERT_TRUE(host->started);
        host->send("{\"type\":0,\"version\":\"8.3.1\",\"userAgent\":\"UA/1\"}");
        ASSERT_EQ(kInitReply, host->next("init reply"));
    }
    // loadAddIn("X"): one registerClassName per class of "Stub||Other", then the reply.
    void load(const std::string& objectName) {
        host->send(call(0, 1, "loadAddIn", "[\"X\",\"here\"]"));
        for (unsigned i = 0; i < 3; ++i) {
            EXPECT_EQ(callback(0, "registerClassName", "[\"" + objectName + "\"]", 2 + i),
                      host->next("registerClassName"));
        }
        EXPECT_EQ(reply(0, 1, "loadAddIn", "[\"X\",\"here\"]", "true"), host->next("load reply"));
    }
    unsigned create(unsigned query, const std::string& name) {
        host->send(call(0, query, "createInstance", "[\"" + name + "\"]"));
        return parse(host->next("createInstance reply"))["retVal"]["cls_id"].asUInt();
    }
    std::string site(unsigned query, const std::string& method, const std::string& params) {
        host->send(call(1, query, method, params));
        return host->next(method.c_str());
    }
    void TearDown() override {
        if (host) host->quit();
    }

    std::unique_ptr<HostFolder> folder;
    std::unique_ptr<Host> host;
};

TEST_F(StubHost, LibraryThatCannotBeOpenedLoadsNothingAndSaysFalse) {
    start("", false);
    host->send(call(0, 1, "loadAddIn", "[\"X\",\"here\"]"));
    EXPECT_EQ(reply(0, 1, "loadAddIn", "[\"X\",\"here\"]", "false"), host->next("load reply"));
}

TEST_F(StubHost, ComponentThatDoesNotLoadGivesSitesThatAnswerErrors) {
    start("noobject");
    load("X.");  // no component, so no extension name
    const unsigned id = create(10, "X.");
    ASSERT_EQ(1u, id);  // the probe site of the first class
    EXPECT_EQ(error_text(1, "Invalid operation", 1, 11), site(11, "callExt", "[\"Add\",1]"));
    EXPECT_EQ(error_text(1, "Invalid operation", 1, 12), site(12, "getPropertyValue", "[\"Value\"]"));
    EXPECT_EQ(error_text(1, "Invalid operation", 1, 13), site(13, "setPropertyValue", "[\"Value\",1]"));
    EXPECT_EQ(reply(1, 14, "done", "null", "null"), site(14, "done", "[]"));
}

TEST_F(StubHost, ComponentThatRefusesInitFailsTheLoadSilently) {
    start("refuse");
    host->send(call(0, 1, "loadAddIn", "[\"X\",\"here\"]"));
    host->expectNothingBefore(2);
    host->send(call(0, 3, "createInstance", "[\"X.Stub\"]"));
    EXPECT_EQ(error_text(0, "Invalid arguments", 1, 3), host->next("nothing was recorded"));
}

// An extension name in a block without a terminator is read no further than the block.
TEST_F(StubHost, NamesEndAtTheirBlock) {
    start("unterminated");
    load("X.Stub");
}

TEST_F(StubHost, VersionsFrom1000To1999ShareOneSite) {
    start("shared");
    load("X.Stub");
    EXPECT_EQ(1u, create(10, "X.Stub"));
    EXPECT_EQ(1u, create(11, "X.Stub"));
    // Released, the shared site is replaced by a fresh one, which is then shared in its turn.
    host->send("{\"type\":10,\"cls_id\":1}");
    EXPECT_EQ(4u, create(12, "X.Stub"));
    EXPECT_EQ(4u, create(13, "X.Stub"));
    host->send(call(4, 14, "callExt", "[\"One\",2]"));
    EXPECT_EQ(reply(4, 14, "callExt", "[\"One\",2]", "2"), host->next("the fresh site's reply"));
}

struct CallCase {
    const char* name;
    const char* params;       // the request's params
    const char* replyParams;  // the reply's params
    const char* retVal;
};

class AdapterCalls : public StubHost, public ::testing::WithParamInterface<CallCase> {};

TEST_P(AdapterCalls, PassArgumentsDefaultsAndOutParameters) {
    start("");
    load("X.Stub");
    ASSERT_EQ(1u, create(10, "X.Stub"));
    const CallCase& c = GetParam();
    EXPECT_EQ(reply(1, 20, "callExt", c.replyParams, c.retVal), site(20, "callExt", c.params));
}

INSTANTIATE_TEST_SUITE_P(
    Table, AdapterCalls,
    ::testing::Values(
        // Add(a, b = 10): the default fills b; a comes back changed; params keep the count.
        CallCase{"DefaultFillsTheRest", "[\"Add\",5]", "[\"Add\",\"changed\"]", "15"},
        CallCase{"AllGiven", "[\"Add\",5,6]", "[\"Add\",\"changed\",6]", "11"},
        CallCase{"NoneGiven", "[\"Add\"]", "[\"Add\"]", "null"},
        CallCase{"MoreThanTheMethodTakes", "[\"One\",1,2,3]", "[\"One\",1,null,null]", "1"},
        CallCase{"Text", "[\"One\",\"\\u0416x\"]", "[\"One\",\"\\u0416x\"]", "\"\\u0416x\""},
        CallCase{"Real", "[\"One\",2.5]", "[\"One\",2.5]", "2.5"},
        CallCase{"Date", "[\"One\",{\"date\":{\"year\":2014,\"month\":11,\"day\":18}}]",
                 "[\"One\",{\"date\":{\"day\":18,\"hour\":0,\"minute\":0,\"month\":11,"
                 "\"second\":0,\"year\":2014}}]",
                 "{\"date\":{\"day\":18,\"hour\":0,\"minute\":0,\"month\":11,\"second\":0,"
                 "\"year\":2014}}"}),
    [](const ::testing::TestParamInfo<CallCase>& p) { return std::string(p.param.name); });

TEST_F(StubHost, PropertiesThatCannotBeReadOrWrittenAreNotErrors) {
    start("");
    load("X.Stub");
    ASSERT_EQ(1u, create(10, "X.Stub"));
    EXPECT_EQ(reply(1, 20, "setPropertyValue", "[\"Value\",7]", "null"),
              site(20, "setPropertyValue", "[\"Value\",7]"));
    EXPECT_EQ(reply(1, 21, "getPropertyValue", "[\"Value\"]", "7"), site(21, "getPropertyValue", "[\"Value\"]"));
    EXPECT_EQ(reply(1, 22, "setPropertyValue", "[\"ReadOnly\",3]", "null"),
              site(22, "setPropertyValue", "[\"ReadOnly\",3]"));
    EXPECT_EQ(reply(1, 23, "getPropertyValue", "[\"WriteOnly\"]", "null"),
              site(23, "getPropertyValue", "[\"WriteOnly\"]"));
    EXPECT_EQ(error_text(1, "Property error", 1, 24), site(24, "setPropertyValue", "[\"Value\",\"x\"]"));
}

// The add-in writes over the host's texts, moves one into another record and writes one block
// of its own into two records and the result: the reply shows what it wrote, and the host
// gives back every block once (under LeakSanitizer the host must still exit cleanly).
TEST_F(StubHost, OutParametersGiveBackEveryBlockOnceWhateverTheAddInWrote) {
    start("");
    load("X.Stub");
    ASSERT_EQ(1u, create(10, "X.Stub"));
    const std::string large(50000, 'x');
    const std::string params = "[\"Rewrite\",\"" + large + "\",\"b\",\"" + large + "\",\"kept\"]";
    for (unsigned query = 20; query < 40; ++query) {
        ASSERT_EQ(reply(1, query, "callExt", "[\"Rewrite\",\"out\",\"kept\",\"out\",\"kept\"]",
                        "\"out\""),
                  site(query, "callExt", params))
            << "call " << query - 20;
    }
}

// What the add-in leaves in a record that is no block it was given (a pointer into another
// parameter's block, a block it freed through its memory manager, a static buffer) is read but
// not freed: the host answers, and the next call too (under AddressSanitizer a free of any of
// them ends the host). The host's texts are not the add-in's to free, so "freed" leaves them.
struct StrayCase {
    const char* name;
    const char* method;
    const char* params;
    const char* replyParams;
    const char* retVal;
};

class StrayPointers : public StubHost, public ::testing::WithParamInterface<StrayCase> {};

TEST_P(StrayPointers, AreNotFreedAndTheHostAnswersTheNextCall) {
    start("");
    load("X.Stub");
    ASSERT_EQ(1u, create(10, "X.Stub"));
    const StrayCase& c = GetParam();
    for (unsigned query = 20; query < 26; query += 2) {
        EXPECT_EQ(reply(1, query, c.method, c.replyParams, c.retVal), site(query, c.method, c.params));
        EXPECT_EQ(reply(1, query + 1, "callExt", "[\"One\",2]", "2"),
                  site(query + 1, "callExt", "[\"One\",2]"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, StrayPointers,
    ::testing::Values(
        StrayCase{"MiddleOfAnotherBlockAsTheResult", "callExt",
                  "[\"Stray\",\"middle\",\"result\",\"abc\"]",
                  "[\"Stray\",\"middle\",\"result\",\"abc\"]", "\"bc\""},
        StrayCase{"MiddleOfAnotherBlockAsAnOutParameter", "callExt",
                  "[\"Stray\",\"middle\",\"out\",\"abc\"]", "[\"Stray\",\"middle\",\"bc\",\"abc\"]",
                  "1"},
        StrayCase{"FreedLentBlockAsTheResult", "callExt", "[\"Stray\",\"freed\",\"result\",\"abc\"]",
                  "[\"Stray\",\"freed\",\"result\",\"abc\"]", "\"abc\""},
        StrayCase{"FreedLentBlockAsAnOutParameter", "callExt",
                  "[\"Stray\",\"freed\",\"out\",\"abc\"]", "[\"Stray\",\"freed\",\"abc\",\"abc\"]",
                  "1"},
        StrayCase{"StaticBufferAsTheResult", "callExt", "[\"Stray\",\"static\",\"result\",\"abc\"]",
                  "[\"Stray\",\"static\",\"result\",\"abc\"]", "\"static\""},
        StrayCase{"StaticBufferAsAnOutParameter", "callExt",
                  "[\"Stray\",\"static\",\"out\",\"abc\"]",
                  "[\"Stray\",\"static\",\"static\",\"abc\"]", "1"},
        StrayCase{"StaticBufferAsAProperty", "getPropertyValue", "[\"Stray\"]", "[\"Stray\"]",
                  "\"static\""},
        StrayCase{"MiddleOfItsBlockAsAWrittenProperty", "setPropertyValue",
                  "[\"Stray\",\"middle\"]", "[\"Stray\",\"middle\"]", "null"},
        StrayCase{"FreedLentBlockAsAWrittenProperty", "setPropertyValue", "[\"Stray\",\"freed\"]",
                  "[\"Stray\",\"freed\"]", "null"},
        StrayCase{"StaticBufferAsAWrittenProperty", "setPropertyValue", "[\"Stray\",\"static\"]",
                  "[\"Stray\",\"static\"]", "null"}),
    [](const ::testing::TestParamInfo<StrayCase>& p) { return std::string(p.param.name); });

// A default the add-in gave for a parameter the page left out, written over by the add-in as
// an out-parameter, still goes back (under LeakSanitizer the host must exit cleanly).
TEST_F(StubHost, ADefaultWrittenOverGoesBack) {
    start("");
    load("X.Stub");
    ASSERT_EQ(1u, create(10, "X.Stub"));
    for (unsigned query = 20; query < 40; ++query) {
        ASSERT_EQ(reply(1, query, "callExt", "[\"Defaulted\",1,2]", "\"default\""),
                  site(query, "callExt", "[\"Defaulted\",1,2]"))
            << "call " << query - 20;
    }
}

// Narrow text reaches the page decoded as UTF-8 by the shared codec: each maximal ill-formed
// subpart is one replacement character, and no byte after it is swallowed.
TEST_F(StubHost, NarrowTextIsDecodedByTheSharedCodec) {
    start("");
    load("X.Stub");
    ASSERT_EQ(1u, create(10, "X.Stub"));
    const struct {
        const char* hex;
        const char* page;  // the JSON text of the reply's value
    } cases[] = {
        {"FFFEC328", "\"\\ufffd\\ufffd\\ufffd(\""},
        {"E282", "\"\\ufffd\""},
        {"E28241", "\"\\ufffdA\""},
        {"F0908080", "\"\\ud800\\udc00\""},
        {"EDA080", "\"\\ufffd\\ufffd\\ufffd\""},
        {"C0AF41", "\"\\ufffd\\ufffdA\""},
        {"D0BF", "\"\\u043f\""},
    };
    unsigned query = 20;
    for (const auto& c : cases) {
        const std::string params = std::string("[\"Narrow\",\"") + c.hex + "\"]";
        EXPECT_EQ(reply(1, query, "callExt", params, c.page), site(query, "callExt", params))
            << c.hex;
        ++query;
    }
}
// Texts and blobs whose claimed length runs past their block (stub_addin.cpp, kClaims): the
// page gets what the block holds, as the call's result, an out-parameter, a property and the
// add-in's Write; a claim that runs past its block ends at the block's first zero, an honest
// one keeps its embedded zeros, and memory of the add-in's own ends at its terminator.
struct ClaimCase {
    int claim;
    const char* value;  // what the page receives, as JSON
};

class ClaimedLengths : public StubHost, public ::testing::WithParamInterface<ClaimCase> {};

TEST_P(ClaimedLengths, AreReadNoFurtherThanTheBlock) {
    start("");
    load("X.Stub");
    ASSERT_EQ(1u, create(10, "X.Stub"));
    const ClaimCase& c = GetParam();
    const std::string n = std::to_string(c.claim);
    const auto params = [&](const std::string& first, int where) {
        return "[\"Claim\"," + first + "," + std::to_string(where) + "]";
    };
    if (c.claim != 9) {  // the add-in's own memory is not the host's to free
        EXPECT_EQ(reply(1, 20, "callExt", params(n, 0), c.value), site(20, "callExt", params(n, 0)))
            << "as the result";
        EXPECT_EQ(reply(1, 21, "callExt", params(c.value, 1), "null"),
                  site(21, "callExt", params(n, 1)))
            << "as an out-parameter";
        const std::string set = "[\"Claimed\"," + n + "]";
        EXPECT_EQ(reply(1, 22, "setPropertyValue", set, "null"), site(22, "setPropertyValue", set));
        EXPECT_EQ(reply(1, 23, "getPropertyValue", "[\"Claimed\"]", c.value),
                  site(23, "getPropertyValue", "[\"Claimed\"]"))
            << "as a property";
    }
    host->send(call(1, 30, "callExt", params(n, 2)));
    EXPECT_EQ(parse("[\"claim\"," + std::string(c.value) + "]"),
              parse(host->next("writeValue"))["params"])
        << "through Write";
    EXPECT_EQ(reply(1, 30, "callExt", params(n, 2), "null"), host->next("the call's reply"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClaimedLengths,
    ::testing::Values(ClaimCase{0, "\"abcdefgh\""}, ClaimCase{1, "\"abcdefgh\""},
                      ClaimCase{2, "\"abc\""}, ClaimCase{3, "\"a\\u0000b\""},
                      ClaimCase{4, "\"ab\""}, ClaimCase{5, "\"abcdefgh\""},
                      ClaimCase{6, "\"abcdefgh\""}, ClaimCase{7, "null"}, ClaimCase{8, "null"},
                      ClaimCase{9, "\"static\""}),
    [](const ::testing::TestParamInfo<ClaimCase>& p) {
        return "Case" + std::to_string(p.param.claim);
    });

TEST_F(StubHost, EveryCallbackBecomesAMessageFromTheSite) {
    start("");
    load("X.Stub");
    ASSERT_EQ(1u, create(10, "X.Stub"));
    host->send(call(1, 30, "callExt", "[\"Callbacks\"]"));
    EXPECT_EQ(callback(1, "addError", "[3,\"src\",\"descr\",42]", 31), host->next("addError"));
    EXPECT_EQ(callback(1, "writeValue", "[\"key\",5]", 32), host->next("writeValue"));
    EXPECT_EQ(callback(1, "readValue", "[\"key\",null]", 33), host->next("readValue"));
    EXPECT_EQ(callback(1, "registerProfileAs", "[\"profile\"]", 34), host->next("registerProfileAs"));
    EXPECT_EQ(callback(1, "setStatusLine", "[\"busy\"]", 35), host->next("setStatusLine"));
    EXPECT_EQ(callback(1, "resetStatusLine", "[]", 36), host->next("resetStatusLine"));
    EXPECT_EQ(callback(1, "externalEvent", "[\"src\",\"descr\",\"\"]", 37), host->next("externalEvent"));
    EXPECT_EQ(reply(1, 30, "callExt", "[\"Callbacks\"]",
                    "\"8.3.1|UA/1|confirm=false|alert|depth=5|read=0\""),
              host->next("the call's reply"));
}

// Two threads of the add-in call every host operation but the events, while the page sends
// init messages that change the version: none of those calls reaches the page (the next frame
// is always the reply awaited), each answers its failure, and the platform information they
// read is the record the host's thread made last.
TEST_F(StubHost, CallsFromTheAddInsOwnThreadsStayOffThePage) {
    start("");
    load("X.Stub");
    ASSERT_EQ(1u, create(10, "X.Stub"));
    EXPECT_EQ(reply(1, 20, "callExt", "[\"Platform\"]", "\"8.3.1|UA/1\""),
              site(20, "callExt", "[\"Platform\"]"));
    EXPECT_EQ(reply(1, 21, "callExt", "[\"StartCallers\",2]", "null"),
              site(21, "callExt", "[\"StartCallers\",2]"));
    std::string version;
    for (unsigned i = 0; i < 20; ++i) {
        version = "9." + std::to_string(i);
        host->send("{\"type\":0,\"version\":\"" + version + "\",\"userAgent\":\"UA/2\"}");
        ASSERT_EQ(kInitReply, host->next("init reply"));
        ASSERT_EQ(reply(1, 30 + i, "callExt", "[\"Platform\"]", "\"" + version + "|UA/2\""),
                  site(30 + i, "callExt", "[\"Platform\"]"));
    }
    const std::string refused = "alert=0 confirm=0 error=0 read=0 write=0 profile=0 status=0 "
                                "depth=7 info=" + version + "|UA/2";
    EXPECT_EQ(reply(1, 60, "callExt", "[\"AwaitCallers\"]", "\"" + refused + ";" + refused + "\""),
              site(60, "callExt", "[\"AwaitCallers\"]"));
    EXPECT_EQ(reply(1, 61, "done", "null", "null"), site(61, "done", "[]"));
}

// The frames up to the reply to `query`, which is returned ("" with a failure when none
// comes); `events` counts the external events of site `cls` on the way.
std::string reply_after_events(Host& host, unsigned cls, unsigned query, unsigned& events) {
    for (;;) {
        const std::string frame = host.next("a reply among the add-in's events");
        if (frame.empty()) return frame;
        const JsValue message = parse(frame);
        if (message["type"].asInt() == 15 && message["method"].asString() == "externalEvent" &&
            message["cls_id"].asUInt() == cls) {
            ++events;
            continue;
        }
        if (message["query_id"].asUInt() == query) return frame;
        ADD_FAILURE() << "unexpected " << frame;
        return std::string();
    }
}

// A library without DestroyObject: its object is only given up by done and keeps sending
// events from its own thread. From done on, nothing of it reaches the site, and after the
// release (the adapter gone) its calls find a host that still answers; the host quits
// cleanly. A second object of the library tells when the thread has made more rounds.
TEST_F(StubHost, AnObjectGivenUpWithoutDestroyObjectReachesNothingAfterDone) {
    startWith("", VELMOR_KEPT_ADDIN);
    load("X.Stub");
    const unsigned streaming = create(10, "X.Stub");
    const unsigned watching = create(11, "X.Stub");
    ASSERT_NE(streaming, watching);
    unsigned events = 0;
    const auto await_rounds = [&](unsigned query) {
        host->send(call(watching, query, "callExt", "[\"AwaitStream\"]"));
        EXPECT_EQ(reply(watching, query, "callExt", "[\"AwaitStream\"]", "true"),
                  reply_after_events(*host, streaming, query, events));
    };
    host->send(call(streaming, 20, "callExt", "[\"Stream\"]"));
    EXPECT_EQ(reply(streaming, 20, "callExt", "[\"Stream\"]", "true"),
              reply_after_events(*host, streaming, 20, events));
    await_rounds(21);
    EXPECT_GT(events, 0u) << "the thread's events before done";

    host->send(call(streaming, 22, "done", "[]"));
    EXPECT_EQ(reply(streaming, 22, "done", "null", "null"),
              reply_after_events(*host, streaming, 22, events));
    events = 0;
    await_rounds(23);
    EXPECT_EQ(0u, events) << "events after done";

    host->send("{\"type\":10,\"cls_id\":" + std::to_string(streaming) + "}");
    await_rounds(24);
    EXPECT_EQ(0u, events) << "events after the release";
}

}  // namespace
