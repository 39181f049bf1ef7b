// The host built for add-ins that are COM objects (QuillonChrCom.exe), with the COM add-in
// fixture beside it, driven through its pipes under Wine: the loader's discovery and per-user
// registration, the connection order, properties and calls with parameter lists both ways,
// the add-in's use of its connection (profile values through the page, "AppDispatch"),
// events from the fixture's own thread, and every reference given back once.
//
// Wine activates only classes registered for the machine: after the host has registered the
// fixture for the user, the tests copy those keys to HKEY_LOCAL_MACHINE. The host never does.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "host_test_support.h"
#include "json_text.h"

using chrome_test::Host;
using chrome_test::call;
using chrome_test::reply;
using chrome_test::error_text;
using chrome_test::kInitReply;
using chrome_test::parse;

namespace {

constexpr auto kCommandDeadline = std::chrono::seconds(60);
constexpr auto kEventDeadline = std::chrono::seconds(20);

const char kProbeClsid[] = "{5B0C7E21-3D4A-4F1E-9C62-1A7E40B35501}";
const char kPlainClsid[] = "{5B0C7E21-3D4A-4F1E-9C62-1A7E40B35503}";
const char kBareClsid[] = "{5B0C7E21-3D4A-4F1E-9C62-1A7E40B35502}";

// A Wine program ("reg ...") in the tests' prefix, with a deadline: its exit status, and its
// output in `output`.
int wine_command(const std::vector<std::string>& args, std::string* output = nullptr) {
    velmor_test::FrameDriver command;
    if (!command.start(chrome_test::host_runner(), args)) return -1;
    std::string text;
    command.readToEnd(text, kCommandDeadline);
    if (output != nullptr) *output = text;
    return command.waitExit(kCommandDeadline);
}

std::string classes_key(const char* hive, const std::string& key) {
    return std::string(hive) + "\\Software\\Classes\\" + key;
}

void forget_fixture_classes() {
    for (const char* hive : {"HKCU", "HKLM"}) {
        for (const std::string& key :
             {std::string("AddIn.Probe"), std::string("AddIn.Plain"), std::string("AddIn.Bare"),
              "CLSID\\" + std::string(kProbeClsid), "CLSID\\" + std::string(kPlainClsid),
              "CLSID\\" + std::string(kBareClsid)}) {
            wine_command({"reg", "delete", classes_key(hive, key), "/f"});
        }
    }
}

// The class keys of the user, copied for the machine: the tests' own step under Wine.
bool mirror_user_classes() {
    return wine_command({"reg", "copy", "HKCU\\Software\\Classes", "HKLM\\Software\\Classes",
                         "/s", "/f"}) == 0;
}

std::string compact(const JsValue& value) {
    std::string text = json_write(value);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// A callback message as "cls method params", its query id left out.
std::string callback_of(const JsValue& message) {
    if (message["type"].asInt() != 15) return "not a callback: " + compact(message);
    return std::to_string(message["cls_id"].asUInt()) + " " + message["method"].asString() + " " +
           compact(message["params"]);
}

// The reply or error answering `query`, after whatever callbacks come first.
void answerTo(Host& host, unsigned query) {
    for (;;) {
        const std::string text = host.next("the answer to a request");
        if (text.empty()) return;
        const JsValue message = parse(text);
        if (message["type"].asInt() != 15 && message["query_id"].asUInt() == query) return;
    }
}

// The host and the fixture's two listed classes, Probe and Plain (no locale), loaded under the
// name "Fx".
class ComHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The host registers the fixture for the user; the tests mirror it for Wine.
        Host host;
        if (!host.started) return;
        host.send("{\"type\":0}");
        host.next("the init reply");
        host.send(call(0, 1, "loadAddIn", "[\"Fx\",\"here\"]"));
        answerTo(host, 1);
        host.quit();
        s_registered = mirror_user_classes();
    }

    void SetUp() override {
        ASSERT_TRUE(s_registered) << "the host registered the fixture and the tests mirrored it";
        host.reset(new Host());
        ASSERT_TRUE(host->started);
        host->send("{\"type\":0,\"version\":\"8.3.1\",\"userAgent\":\"UA/1\"}");
        ASSERT_EQ(kInitReply, host->next("the init reply"));
        host->send(call(0, 1, "setLocale", "[\"ru_RU\"]"));
        ASSERT_EQ(reply(0, 1, "setLocale", "[\"ru_RU\"]", "null"), host->next("setLocale"));
        host->send(call(0, 2, "loadAddIn", "[\"Fx\",\"here\"]"));
        EXPECT_EQ("0 registerClassName [\"Fx.Probe\"]",
                  callback_of(parse(host->next("the first class"))));
        EXPECT_EQ("0 registerClassName [\"Fx.Plain\"]",
                  callback_of(parse(host->next("the second class"))));
        ASSERT_EQ(reply(0, 2, "loadAddIn", "[\"Fx\",\"here\"]", "true"), host->next("loadAddIn"));
    }

    void TearDown() override {
        if (host) host->quit();
    }

    unsigned create(unsigned query, const std::string& name) {
        host->send(call(0, query, "createInstance", "[\"" + name + "\"]"));
        const JsValue created = parse(replyOf(*host, query));
        EXPECT_EQ("AddInSite", created["retVal"]["cls_name"].asString());
        return created["retVal"]["cls_id"].asUInt();
    }

    std::string site(unsigned cls, unsigned query, const std::string& method,
                     const std::string& params) {
        host->send(call(cls, query, method, params));
        return replyOf(*host, query);
    }

    // A text property of the fixture, read through a site.
    std::string property(unsigned cls, unsigned query, const std::string& name) {
        return parse(site(cls, query, "getPropertyValue", "[\"" + name + "\"]"))["retVal"]
            .asString();
    }

    // The reply (or error) to `query`, passing over the events that the fixture's threads
    // may still be sending.
    static std::string replyOf(Host& to, unsigned query) {
        for (;;) {
            const std::string text = to.next("a reply");
            if (text.empty()) return text;
            const JsValue message = parse(text);
            if (message["type"].asInt() == 15 && message["method"].asString() == "externalEvent") {
                continue;
            }
            EXPECT_EQ(query, message["query_id"].asUInt()) << text;
            return text;
        }
    }

    std::unique_ptr<Host> host;
    static inline bool s_registered = false;
};

// Runs first: the fixture's classes are unknown to both hives until the host has loaded the
// library, which registers them for the user alone.
TEST(ComRegistration, LoaderRegistersTheLibraryForTheUserOnly) {
    forget_fixture_classes();
    Host host;
    ASSERT_TRUE(host.started);
    host.send("{\"type\":0}");
    ASSERT_EQ(kInitReply, host.next("the init reply"));
    host.send(call(0, 1, "loadAddIn", "[\"Fx\",\"here\"]"));
    // Whether Wine can create the classes before they are mirrored is Wine's matter: only
    // the answer is awaited.
    answerTo(host, 1);
    host.quit();

    std::string user;
    EXPECT_EQ(0, wine_command({"reg", "query", classes_key("HKCU", "AddIn.Probe\\CLSID")}, &user));
    EXPECT_NE(std::string::npos, user.find(kProbeClsid)) << user;
    EXPECT_EQ(0, wine_command({"reg", "query", classes_key("HKCU", "AddIn.Plain\\CLSID")}));
    EXPECT_NE(0, wine_command({"reg", "query", classes_key("HKLM", "AddIn.Probe")}))
        << "registered for the machine";
}

TEST_F(ComHost, ConnectsEachClassInTheSitesOrder) {
    EXPECT_EQ(1u, create(10, "Fx.Probe")) << "the probe site of the first class";
    // Each connected, given its locale (Plain has none to take), asked for its version and
    // its extension name.
    EXPECT_EQ("Init;SetLocale(ru_RU);GetInfo;RegisterExtensionAs;Init;GetInfo;RegisterExtensionAs;",
              property(1, 11, "Journal"));
    EXPECT_EQ("ru_RU", property(1, 12, "Locale"));
    // Each adapter holds its object, init interface and extender; each object holds its
    // connection twice (from Init).
    EXPECT_EQ("live=2;objectRefs=6;connectionRefs=4;", property(1, 13, "Counters"));
    EXPECT_EQ(2u, create(14, "Fx.Plain"));
    EXPECT_EQ(3u, create(15, "Fx.Probe")) << "not shared: a fresh site and object";
    EXPECT_EQ("live=3;objectRefs=9;connectionRefs=6;", property(2, 16, "Counters"));
}

// A location that is a registered ProgID is the one class, taken as it is: here Bare, which
// has no Init, no locale and no version, and is still used.
TEST_F(ComHost, LocationThatIsARegisteredProgIdIsTheOneClass) {
    host->send(call(0, 10, "loadAddIn", "[\"Bx\",\"AddIn.Bare\"]"));
    EXPECT_EQ("0 registerClassName [\"Bx.Bare\"]", callback_of(parse(host->next("Bare"))));
    EXPECT_EQ(reply(0, 10, "loadAddIn", "[\"Bx\",\"AddIn.Bare\"]", "true"),
              host->next("loadAddIn"));
    EXPECT_EQ(3u, create(11, "Bx.Bare"));
    EXPECT_EQ("Init;SetLocale(ru_RU);GetInfo;RegisterExtensionAs;Init;GetInfo;RegisterExtensionAs;"
              "RegisterExtensionAs;",
              property(3, 12, "Journal"));
    EXPECT_EQ("live=3;objectRefs=8;connectionRefs=4;", property(3, 13, "Counters"))
        << "Bare's adapter holds its object and extender";
    EXPECT_EQ(reply(3, 14, "callExt", "[\"Sum\",111]", "111"),
              site(3, 14, "callExt", "[\"Sum\",1]"));
}

TEST_F(ComHost, PropertiesAreReadAndWritten) {
    ASSERT_EQ(1u, create(10, "Fx.Probe"));
    EXPECT_EQ(reply(1, 11, "setPropertyValue", "[\"Text\",\"hello\"]", "null"),
              site(1, 11, "setPropertyValue", "[\"Text\",\"hello\"]"));
    EXPECT_EQ(reply(1, 12, "getPropertyValue", "[\"Text\"]", "\"hello\""),
              site(1, 12, "getPropertyValue", "[\"Text\"]"));
    // The Russian name of Text.
    const std::string russian = "[\"\\u0422\\u0435\\u043a\\u0441\\u0442\",2.5]";
    EXPECT_EQ(reply(1, 13, "setPropertyValue", russian, "null"),
              site(1, 13, "setPropertyValue", russian));
    EXPECT_EQ(reply(1, 14, "getPropertyValue", "[\"Text\"]", "2.5"),
              site(1, 14, "getPropertyValue", "[\"Text\"]"));
    EXPECT_EQ(error_text(1, "Property is not readable", 1, 15),
              site(1, 15, "getPropertyValue", "[\"Sealed\"]"));
    EXPECT_EQ(error_text(1, "Property is not readable", 1, 16),
              site(1, 16, "getPropertyValue", "[\"Nothing\"]"));
    EXPECT_EQ(error_text(1, "Property is not writable", 1, 17),
              site(1, 17, "setPropertyValue", "[\"Locale\",\"en\"]"));
}

struct CallCase {
    const char* name;
    const char* params;       // the request's params
    const char* replyParams;  // the reply's params: the page's values as the add-in left them
    const char* retVal;
};

class ComCalls : public ComHost, public ::testing::WithParamInterface<CallCase> {};

TEST_P(ComCalls, PassParameterListsBothWays) {
    ASSERT_EQ(1u, create(10, "Fx.Probe"));
    const CallCase& c = GetParam();
    EXPECT_EQ(reply(1, 20, "callExt", c.replyParams, c.retVal), site(1, 20, "callExt", c.params));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ComCalls,
    ::testing::Values(
        CallCase{"SwappedInPlace", "[\"Swap\",1,\"two\"]", "[\"Swap\",\"two\",1]", "null"},
        CallCase{"BooleanAndReal", "[\"Swap\",true,2.5]", "[\"Swap\",2.5,true]", "null"},
        // Sum(a, b = 10, c = 100) writes its result into a.
        CallCase{"DefaultsFillTheRest", "[\"Sum\",5]", "[\"Sum\",115]", "115"},
        CallCase{"AllGiven", "[\"Sum\",1,2,3]", "[\"Sum\",6,2,3]", "6"},
        CallCase{"NoneGiven", "[\"Sum\"]", "[\"Sum\"]", "110"},
        CallCase{"MoreThanTheMethodTakes", "[\"Sum\",1,2,3,4]", "[\"Sum\",6,2,3,null]", "6"},
        // Grow replaces the list by a longer one: the page gets back as many as it gave.
        CallCase{"ListReplacedByTheAddIn", "[\"Grow\",\"x\"]", "[\"Grow\",\"x\"]", "null"},
        CallCase{"RussianName", "[\"\\u0421\\u0443\\u043c\\u043c\\u0430\",1,1,1]",
                 "[\"\\u0421\\u0443\\u043c\\u043c\\u0430\",3,1,1]", "3"}),
    [](const ::testing::TestParamInfo<CallCase>& p) { return std::string(p.param.name); });

TEST_F(ComHost, FailedCallsAnswerAsTheirKindSays) {
    ASSERT_EQ(1u, create(10, "Fx.Probe"));
    EXPECT_EQ(error_text(1, "Method not found", 1, 11), site(1, 11, "callExt", "[\"Nope\"]"));
    // The add-in's own failure sends nothing.
    host->send(call(1, 12, "callExt", "[\"Fail\"]"));
    host->expectNothingBefore(13);
}

TEST_F(ComHost, AddInReachesThePageThroughItsConnection) {
    ASSERT_EQ(1u, create(10, "Fx.Probe"));
    host->send(call(1, 11, "callExt", "[\"Exercise\"]"));
    const std::vector<std::string> early = {
        "1 setStatusLine [\"Busy\"]",
        "1 resetStatusLine []",
        "1 registerProfileAs [\"ProbeProfile\"]",
        "1 writeValue [\"Color\",\"green\"]",
        "1 readValue [\"Color\",null]",
        "1 readValue [\"Missing\",null]",
        "1 addError [7,\"Probe\",\"Something failed\",-2147467260]",
        "1 externalEvent [\"Probe\",\"Exercise\",\"early\"]",
    };
    for (const std::string& expected : early) {
        EXPECT_EQ(expected, callback_of(parse(host->next(expected.c_str()))));
    }
    // Values read from the page are null until it answers; nobody can answer the box under
    // Wine without a display, which reads as No.
    EXPECT_EQ(reply(1, 11, "callExt", "[\"Exercise\"]",
                    "\"status=00000000,00000000;"
                    "profile=00000000,00000000,00000000:1:,00000000:1:;"
                    "error=00000000;"
                    "events=00000000,00000000:7,00000000,00000000;"
                    "boxes=00000000:11:0,00000000;"
                    "platform=00000000:8.3.1|UA/1|-1;"
                    "windows=80004001;\""),
              host->next("the early-bound report"));

    host->send(call(1, 12, "callExt", "[\"ExerciseLateBound\"]"));
    const std::vector<std::string> late = {
        "1 registerProfileAs [\"LateProfile\"]",
        "1 writeValue [\"Size\",12]",
        "1 readValue [\"Size\",null]",
        "1 externalEvent [\"Probe\",\"Late\",\"dispatch\"]",
        "1 setStatusLine [\"Late busy\"]",
        "1 resetStatusLine []",
        "1 addError [3,\"Probe\",\"Late failure\",-2147467260]",
        // The connection's own property access goes to the page.
        "1 writeValue [\"Text\",\"late text\"]",
        "1 readValue [\"Text\",null]",
    };
    for (const std::string& expected : late) {
        EXPECT_EQ(expected, callback_of(parse(host->next(expected.c_str()))));
    }
    EXPECT_EQ(reply(1, 12, "callExt", "[\"ExerciseLateBound\"]",
                    "\"profile=00000000,00000000,00000000:1:;"
                    "events=00000000,00000000:9,00000000,00000000;"
                    "status=00000000,00000000,00000000,80004001;"
                    "context=00000000,00000000:1:,00000000:8:two:3:1;\""),
              host->next("the late-bound report"));

    EXPECT_EQ(reply(1, 13, "callExt", "[\"AskAppDispatch\"]", "\"get=80020003;call=80020003;\""),
              site(1, 13, "callExt", "[\"AskAppDispatch\"]"));
    EXPECT_EQ("live=2;objectRefs=6;connectionRefs=4;", property(1, 14, "Counters"))
        << "the exercises gave back what they took";
}

TEST_F(ComHost, EventsFromTheFixturesThreadReachThePage) {
    ASSERT_EQ(1u, create(10, "Fx.Probe"));
    host->send(call(1, 11, "callExt", "[\"StartEvents\",5,5]"));
    std::vector<std::string> events;
    bool replied = false;
    const auto deadline = std::chrono::steady_clock::now() + kEventDeadline;
    while ((!replied || events.size() < 5) && std::chrono::steady_clock::now() < deadline) {
        const std::string text = host->next("five events and the call's reply");
        if (text.empty()) break;
        const JsValue message = parse(text);
        if (message["type"].asInt() == 15) {
            events.push_back(callback_of(message));
        } else {
            EXPECT_EQ(reply(1, 11, "callExt", "[\"StartEvents\",5,5]", "null"), text);
            replied = true;
        }
    }
    EXPECT_TRUE(replied);
    EXPECT_EQ((std::vector<std::string>{"1 externalEvent [\"Probe\",\"Tick\",\"1\"]",
                                        "1 externalEvent [\"Probe\",\"Tick\",\"2\"]",
                                        "1 externalEvent [\"Probe\",\"Tick\",\"3\"]",
                                        "1 externalEvent [\"Probe\",\"Tick\",\"4\"]",
                                        "1 externalEvent [\"Probe\",\"Tick\",\"5\"]"}),
              events);
    EXPECT_EQ(reply(1, 12, "callExt", "[\"StopEvents\"]", "null"),
              site(1, 12, "callExt", "[\"StopEvents\"]"));
    EXPECT_EQ("live=2;objectRefs=6;connectionRefs=4;", property(1, 13, "Counters"))
        << "the thread gave its reference back";
}

TEST_F(ComHost, EndingASiteGivesBackEveryReferenceOnce) {
    ASSERT_EQ(1u, create(10, "Fx.Probe"));
    ASSERT_EQ(2u, create(11, "Fx.Plain"));
    EXPECT_EQ(reply(1, 12, "done", "null", "null"), site(1, 12, "done", "[]"));
    EXPECT_EQ("Init;SetLocale(ru_RU);GetInfo;RegisterExtensionAs;Init;GetInfo;RegisterExtensionAs;"
              "Done;",
              property(2, 13, "Journal"));
    EXPECT_EQ("live=1;objectRefs=3;connectionRefs=2;", property(2, 14, "Counters"))
        << "only Plain is left, with its adapter's three references and its own two";
    EXPECT_EQ(error_text(1, "Invalid operation", 1, 15),
              site(1, 15, "getPropertyValue", "[\"Text\"]"));

    // A site released without "done", while the add-in's thread is sending: the object is
    // disconnected, its thread stopped, and nothing of it stays.
    ASSERT_EQ(3u, create(16, "Fx.Probe"));
    host->send(call(3, 17, "callExt", "[\"StartEvents\",1000000,2]"));
    replyOf(*host, 17);
    host->send("{\"type\":10,\"cls_id\":3}");
    EXPECT_EQ("live=1;objectRefs=3;connectionRefs=2;", property(2, 18, "Counters"));
}

}  // namespace
