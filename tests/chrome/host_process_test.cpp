// The Chrome host as a process: origin check, read loop and dispatch, the service's and the
// sites' replies and errors, framing faults and chunking, all compared byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host_test_support.h"

using chrome_test::Host;
using chrome_test::error_text;
using chrome_test::init_call;
using chrome_test::init_call_reply;
using chrome_test::kInitReply;
using chrome_test::parse;
using velmor_test::FrameDriver;
using velmor_test::length_prefix;
using chrome_test::wire_frame;

namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

// ---- Origin check

struct OriginCase {
    const char* name;
    std::vector<std::string> args;
    std::string argv0;
    bool accepted;
};

class OriginCheck : public ::testing::TestWithParam<OriginCase> {};

TEST_P(OriginCheck, AcceptsOnlyTheAllowedOriginTrimmedOfSpaces) {
    const OriginCase& c = GetParam();
    if (!c.argv0.empty() && !chrome_test::host_runner().empty()) {
        GTEST_SKIP() << "the runner gives the host its own name as argv[0]";
    }
    FrameDriver driver;
    ASSERT_TRUE(chrome_test::start_host(driver, chrome_test::host_path(), c.args, {}, c.argv0));
    driver.writeFrame("{\"type\":0}");
    driver.closeInput();
    std::string out;
    ASSERT_TRUE(driver.readToEnd(out)) << driver.lastError();
    if (c.accepted) {
        EXPECT_EQ(wire_frame(kInitReply), out);
        EXPECT_EQ(0, driver.waitExit());
    } else {
        EXPECT_EQ("", out);
        EXPECT_EQ(1, driver.waitExit());
    }
}

const std::string kOrigin = VELMOR_ALLOWED_ORIGIN;

INSTANTIATE_TEST_SUITE_P(
    Table, OriginCheck,
    ::testing::Values(
        OriginCase{"Exact", {kOrigin}, "", true},
        OriginCase{"SpacesAround", {"  " + kOrigin + " "}, "", true},
        OriginCase{"AfterOtherArguments", {"--parent-window=0", "x", kOrigin}, "", true},
        OriginCase{"AsProgramName", {}, kOrigin, true},
        OriginCase{"TabBefore", {"\t" + kOrigin}, "", false},
        OriginCase{"LineFeedAfter", {kOrigin + "\n"}, "", false},
        OriginCase{"OtherCase", {upper(kOrigin)}, "", false},
        OriginCase{"WithoutSlash", {kOrigin.substr(0, kOrigin.size() - 1)}, "", false},
        OriginCase{"OtherExtension", {"chrome-extension://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/"}, "",
                   false},
        OriginCase{"NoArguments", {}, "", false}),
    [](const ::testing::TestParamInfo<OriginCase>& p) { return std::string(p.param.name); });

// ---- Read loop, init, create, release, quit

TEST(HostLoop, EmptyInputEndsWithStatusZeroAndNoOutput) {
    Host host;
    ASSERT_TRUE(host.started);
    host.driver.closeInput();
    std::string extra;
    EXPECT_TRUE(host.driver.outputEnds(extra)) << host.driver.lastError();
    EXPECT_EQ(0, host.driver.waitExit());
}

TEST(HostLoop, InputEndingInsideALengthPrefixEndsNormally) {
    Host host;
    host.driver.writeRaw(std::string("\x05\x00", 2));
    host.driver.closeInput();
    std::string extra;
    EXPECT_TRUE(host.driver.outputEnds(extra)) << host.driver.lastError();
    EXPECT_EQ(0, host.driver.waitExit());
}

TEST(HostLoop, InitIsAnsweredWith24BytesAndALineEndCountedByThePrefix) {
    Host host;
    host.send("{\"type\":0,\"version\":\"8.3.10\",\"userAgent\":\"Chrome\"}");
    host.driver.closeInput();
    std::string out;
    ASSERT_TRUE(host.driver.readToEnd(out)) << host.driver.lastError();
    // 25 with a line feed; 26 (0x1A, which must not read as an end of file) with CR LF.
    const char length = static_cast<char>(24 + chrome_test::line_end().size());
    EXPECT_EQ(std::string(1, length) + std::string("\x00\x00\x00", 3) +
                  "{\"retVal\":true,\"type\":1}" + chrome_test::line_end(),
              out);
    EXPECT_EQ(0, host.driver.waitExit());
}

TEST(HostLoop, PrefixesHoldingLineFeedOrEndOfFileBytesPassUnaltered) {
    Host host;
    // A request of 26 bytes: its prefix starts with 0x1A.
    const std::string request = "{\"type\":0,\"version\":\"abc\"}";
    ASSERT_EQ(26u, request.size());
    host.send(request);
    EXPECT_EQ(kInitReply, host.next("the reply to a request of 26 bytes"));
    // A reply of 0x10A bytes on the wire: its prefix starts with 0x0A.
    const size_t overhead = chrome_test::wire(init_call_reply(1)).size() + 9;  // "pad":"...",
    const std::string pad(0x10A - overhead, 'p');
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":1,\"method\":\"init\",\"params\":[],\"pad\":\"" +
              pad + "\"}");
    std::string raw;
    ASSERT_TRUE(host.driver.readFrame(raw)) << host.driver.lastError();
    EXPECT_EQ(0x10Au, raw.size());
    host.quit();
}

TEST(HostLoop, ServiceAnswersACallOfInitByteForByte) {
    Host host;
    host.send("{\"type\":0}");
    EXPECT_EQ(kInitReply, host.next("init reply"));
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":7,\"method\":\"init\",\"params\":[]}");
    EXPECT_EQ("{\"cls_id\":0,\"method\":\"init\",\"params\":null,\"properties\":{},\"query_id\":7,"
              "\"retVal\":null,\"type\":2,\"writable_properties\":[]}\n",
              host.next("the reply to init"));
    host.quit();
}

TEST(HostLoop, CreateAnswersTheServiceDescription) {
    Host host;
    host.send("{\"type\":4,\"create\":\"AddInServiceEx\"}");
    EXPECT_EQ("{\"cls_id\":0,\"cls_name\":\"AddInServiceEx\",\"methods\":[\"createInstance\","
              "\"init\",\"loadAddIn\",\"releaseObject\",\"setLocale\"],\"properties\":{},"
              "\"type\":5,\"writable_properties\":[]}\n",
              host.next("the description"));
    host.send("{\"type\":4,\"create\":\"AddInServiceEx\",\"query_id\":\"q-1\"}");
    EXPECT_EQ("{\"cls_id\":1,\"cls_name\":\"AddInServiceEx\",\"methods\":[\"createInstance\","
              "\"init\",\"loadAddIn\",\"releaseObject\",\"setLocale\"],\"properties\":{},"
              "\"query_id\":\"q-1\",\"type\":5,\"writable_properties\":[]}\n",
              host.next("the description with query_id"));
    // Another class name, or none, creates nothing.
    host.send("{\"type\":4,\"create\":\"AddInSite\"}");
    host.send("{\"type\":4}");
    host.send(init_call(40).replace(init_call(40).find("\"cls_id\":0"), 10, "\"cls_id\":2"));
    EXPECT_EQ(error_text(2, "Invalid operation", 2, 40), host.next("the error for object 2"));
    host.quit();
}

TEST(HostLoop, TwoInitsMakeTwoServicesAndACallWithoutClsIdGoesToObjectZero) {
    Host host;
    host.send("{\"type\":0}");
    host.send("{\"type\":0}");
    EXPECT_EQ(kInitReply, host.next("first init reply"));
    EXPECT_EQ(kInitReply, host.next("second init reply"));
    host.send("{\"type\":2,\"cls_id\":1,\"query_id\":3,\"method\":\"init\",\"params\":[]}");
    EXPECT_EQ(init_call_reply(3, 1), host.next("the second service's reply"));
    host.send("{\"type\":2,\"query_id\":4,\"method\":\"init\",\"params\":[]}");
    EXPECT_EQ(init_call_reply(4, 0), host.next("object 0's reply"));
    host.quit();
}

struct TypeCase {
    const char* name;
    std::string message;
    std::string reply;  // "" for none
};

class TypeMember : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeMember, IsReadAsANumberOrTheMessageIsSkipped) {
    Host host;
    host.send("{\"type\":0}");
    ASSERT_EQ(kInitReply, host.next("init reply"));
    host.send(GetParam().message);
    if (!GetParam().reply.empty()) {
        EXPECT_EQ(GetParam().reply, host.next("the reply"));
    }
    host.expectNothingBefore(99);
    host.quit();
}

INSTANTIATE_TEST_SUITE_P(
    Table, TypeMember,
    ::testing::Values(
        TypeCase{"FalseIsInit", "{\"type\":false}", kInitReply},
        TypeCase{"TrueIsIgnored", "{\"type\":true}", ""},
        TypeCase{"StringIsIgnored", "{\"type\":\"2\",\"method\":\"init\",\"params\":[]}", ""},
        TypeCase{"RealIsCutTowardZero",
                 "{\"type\":2.5,\"cls_id\":0,\"query_id\":5,\"method\":\"init\",\"params\":[]}",
                 "{\"cls_id\":0,\"method\":\"init\",\"params\":null,\"properties\":{},"
                 "\"query_id\":5,\"retVal\":null,\"type\":2.5,\"writable_properties\":[]}\n"},
        TypeCase{"NegativeIsIgnored", "{\"type\":-2}", ""},
        TypeCase{"UnusedTypeIsIgnored", "{\"type\":7}", ""},
        TypeCase{"OutOfRangeIsIgnored", "{\"type\":4294967298}", ""},
        TypeCase{"MissingIsIgnored", "{\"cls_id\":0}", ""},
        TypeCase{"NotJson", "this is not json", ""},
        TypeCase{"NotAnObject", "[0]", ""},
        TypeCase{"Empty", "", ""},
        TypeCase{"StringClsIdIsSkipped",
                 "{\"type\":2,\"cls_id\":\"0\",\"query_id\":5,\"method\":\"init\",\"params\":[]}",
                 ""},
        // Only requests and releases address an object; the others ignore an unusable cls_id.
        TypeCase{"NegativeClsIdOfAReleaseIsSkipped", "{\"type\":10,\"cls_id\":-1}", ""},
        TypeCase{"StringClsIdOfAReleaseIsSkipped", "{\"type\":10,\"cls_id\":\"0\"}", ""},
        TypeCase{"InitIgnoresAnUnusableClsId", "{\"type\":0,\"cls_id\":-1}", kInitReply},
        TypeCase{"CreateIgnoresAnUnusableClsId",
                 "{\"type\":4,\"create\":\"AddInServiceEx\",\"cls_id\":[1],\"query_id\":3}",
                 "{\"cls_id\":1,\"cls_name\":\"AddInServiceEx\",\"methods\":[\"createInstance\","
                 "\"init\",\"loadAddIn\",\"releaseObject\",\"setLocale\"],\"properties\":{},"
                 "\"query_id\":3,\"type\":5,\"writable_properties\":[]}\n"},
        TypeCase{"TruncatedTextIsHandledAsFarAsParsed", "{\"type\":0, \"version\": [", kInitReply},
        // The parser gives up on nesting this deep; the host skips the message and lives on.
        TypeCase{"DeeplyNestedIsSkipped", "{\"type\":0,\"v\":" + std::string(100000, '['), ""}),
    [](const ::testing::TestParamInfo<TypeCase>& p) { return std::string(p.param.name); });

TEST(HostLoop, QuitEndsWithStatusZeroAndNoOutputWithObjectsAlive) {
    Host host;
    host.makeSite(1);
    host.quit();
}

TEST(HostLoop, QuitIgnoresAnUnusableClsId) {
    for (const char* clsId : {"-1", "\"x\"", "4294967296", "{}"}) {
        Host host;
        host.send("{\"type\":0}");
        ASSERT_EQ(kInitReply, host.next("init reply"));
        host.send(std::string("{\"type\":12,\"cls_id\":") + clsId + "}");
        std::string extra;
        EXPECT_TRUE(host.driver.outputEnds(extra)) << "cls_id " << clsId << ": "
                                                   << host.driver.lastError();
        EXPECT_EQ(0, host.driver.waitExit()) << "cls_id " << clsId;
    }
}

TEST(HostLoop, ReleaseOfUnknownOrReleasedObjectWritesNothing) {
    Host host;
    host.send("{\"type\":0}");
    host.send("{\"type\":0}");
    EXPECT_EQ(kInitReply, host.next("init reply"));
    EXPECT_EQ(kInitReply, host.next("init reply"));
    host.send("{\"type\":10,\"cls_id\":1}");
    host.send("{\"type\":10,\"cls_id\":1}");
    host.send("{\"type\":10,\"cls_id\":12345}");
    host.expectNothingBefore(20);
    // A request to the released object is answered with an error, not a crash.
    host.send("{\"type\":2,\"cls_id\":1,\"query_id\":21,\"method\":\"init\",\"params\":[]}");
    EXPECT_EQ(error_text(1, "Invalid operation", 2, 21), host.next("the error"));
    host.send("{\"type\":8,\"cls_id\":1,\"query_id\":22,\"property\":\"x\"}");
    EXPECT_EQ(error_text(1, "Invalid operation", 8, 22), host.next("the error"));
    host.quit();
}

TEST(HostLoop, ServiceThatReleasesItselfStillAnswersThatCall) {
    Host host;
    host.send("{\"type\":0}");
    ASSERT_EQ(kInitReply, host.next("init reply"));
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":1,\"method\":\"releaseObject\",\"params\":[0]}");
    EXPECT_EQ("{\"cls_id\":0,\"method\":\"releaseObject\",\"params\":[0],\"properties\":{},"
              "\"query_id\":1,\"retVal\":true,\"type\":2,\"writable_properties\":[]}\n",
              host.next("the reply of the released service"));
    host.send(init_call(2));
    EXPECT_EQ(error_text(0, "Invalid operation", 2, 2), host.next("object 0 is gone"));
    host.quit();
}

TEST(HostLoop, MessageCutShortByTheEndOfInputIsHandledAsItArrived) {
    Host host;
    host.driver.writeRaw(length_prefix(50) + "{\"type\":0}");
    host.driver.closeInput();
    std::string out;
    ASSERT_TRUE(host.driver.readToEnd(out)) << host.driver.lastError();
    EXPECT_EQ(wire_frame(kInitReply), out);
    EXPECT_EQ(0, host.driver.waitExit());
}

TEST(HostLoop, FrameOfLengthZeroIsSkipped) {
    Host host;
    host.driver.writeRaw(length_prefix(0));
    host.send("{\"type\":0}");
    EXPECT_EQ(kInitReply, host.next("init reply"));
    host.quit();
}

TEST(HostLoop, TextAfterAZeroByteIsIgnored) {
    Host host;
    host.send(std::string("{\"type\":0}\0{\"type\":0}", 21));
    EXPECT_EQ(kInitReply, host.next("one init reply"));
    host.expectNothingBefore(3);
    host.quit();
}

TEST(HostLoop, LargeMessageArrivingInPiecesIsReadWhole) {
    // Far more than a pipe holds, so the host's reads return it in pieces.
    Host host;
    const std::string version(600000, 'v');
    host.send("{\"type\":0,\"version\":\"" + version + "\"}");
    EXPECT_EQ(kInitReply, host.next("init reply"));
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":1,\"method\":\"init\",\"params\":[],\"pad\":\"" +
              std::string(300000, 'p') + "\"}");
    const std::string reply = host.next("the padded reply");
    EXPECT_EQ(129u + 300000u, reply.size());
    host.quit();
}

TEST(HostLoop, FrameAnnouncingMoreThanTheMaximumIsSkippedAndFramingKept) {
    Host host;
    const uint32_t tooLong = 64u * 1024u * 1024u + 1u;
    std::string body(tooLong, ' ');
    body.replace(0, 10, "{\"type\":0}");  // would be an init if it were read
    ASSERT_TRUE(host.driver.writeRaw(length_prefix(tooLong) + body, std::chrono::seconds(60)));
    body.clear();
    body.shrink_to_fit();
    host.send(init_call(5));
    // Object 0 does not exist: the skipped frame made no service.
    EXPECT_EQ(error_text(0, "Invalid operation", 2, 5), host.next("the error after the skip"));
    host.send("{\"type\":0}");
    EXPECT_EQ(kInitReply, host.next("init reply after the skip"));
    EXPECT_LT(host.driver.peakRssKiB(), 48 * 1024) << "the skipped frame was allocated";
    host.quit();
}

TEST(HostLoop, ReadBufferIsGivenBackAfterALargeMessage) {
    // Under AddressSanitizer freed memory waits in a quarantine; without one it goes back as
    // it does in the product. (The option means nothing to other builds.)
    const char* asan = std::getenv("ASAN_OPTIONS");
    Host host({"ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":quarantine_size_mb=0"});
    host.send("{\"type\":0}");
    ASSERT_EQ(kInitReply, host.next("init reply"));
    host.expectNothingBefore(1);
    const long before = host.driver.rssKiB();
    // 64 MiB, the most a browser sends, for a property that no object has: no answer.
    const std::string head = "{\"type\":6,\"cls_id\":0,\"property\":\"x\",\"value\":\"";
    std::string message = head + std::string(64 * 1024 * 1024 - head.size() - 2, 'v') + "\"}";
    ASSERT_TRUE(host.send(message)) << host.driver.lastError();
    std::string().swap(message);
    host.expectNothingBefore(2);
    const long after = host.driver.rssKiB();
    RecordProperty("rss_before_kib", static_cast<int>(before));
    RecordProperty("rss_after_kib", static_cast<int>(after));
    std::printf("host RSS %ld KiB before, %ld KiB after one 64 MiB message (peak %ld KiB)\n",
                before, after, host.driver.peakRssKiB());
    EXPECT_GT(before, 0);
    EXPECT_LT(after, before + 8 * 1024) << "the host kept the message's memory";
    host.quit();
}

TEST(HostLoop, HugeAnnouncedLengthAtTheEndOfInputAllocatesNothing) {
    Host host;
    host.driver.writeRaw(length_prefix(0xFFFFFFFFu) + "{\"type\":0}");
    host.driver.closeInput();
    std::string extra;
    EXPECT_TRUE(host.driver.outputEnds(extra)) << host.driver.lastError();
    EXPECT_EQ(0, host.driver.waitExit());
}

// ---- Object model errors and silent cases of the service

struct ServiceCase {
    const char* name;
    std::string request;
    std::string reply;  // "" for none
};

class ServiceRequest : public ::testing::TestWithParam<ServiceCase> {};

TEST_P(ServiceRequest, IsAnsweredAsTheObjectModelSays) {
    Host host;
    host.send("{\"type\":0}");
    ASSERT_EQ(kInitReply, host.next("init reply"));
    host.send(GetParam().request);
    if (!GetParam().reply.empty()) {
        EXPECT_EQ(GetParam().reply, host.next("the answer"));
    }
    host.expectNothingBefore(77);
    host.quit();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServiceRequest,
    ::testing::Values(
        ServiceCase{"CallWithoutParams", "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"init\"}",
                    error_text(0, "Invalid arguments", 1, 5)},
        ServiceCase{"CallWithoutMethod", "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"params\":[]}",
                    error_text(0, "Invalid arguments", 1, 5)},
        ServiceCase{"CallWithNumericMethod",
                    "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":3,\"params\":[]}",
                    // refused while the members are read, before the call counts as a call
                    error_text(0, "Invalid arguments", 2, 5)},
        ServiceCase{"UnknownMethodIsSilent",
                    "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"nope\",\"params\":[]}", ""},
        ServiceCase{"GetPropertyIsSilent", "{\"type\":8,\"cls_id\":0,\"query_id\":5,\"property\":\"a\"}",
                    ""},
        ServiceCase{"SetPropertyIsSilent",
                    "{\"type\":6,\"cls_id\":0,\"query_id\":5,\"property\":\"a\",\"value\":1}", ""},
        ServiceCase{"GetPropertyWithoutName", "{\"type\":8,\"cls_id\":0,\"query_id\":5}",
                    error_text(0, "Invalid arguments", 8, 5)},
        ServiceCase{"SetPropertyWithoutName", "{\"type\":6,\"cls_id\":0,\"query_id\":5,\"value\":1}",
                    error_text(0, "Invalid arguments", 6, 5)},
        ServiceCase{"ExtraMembersComeBack",
                    "{\"type\":2,\"cls_id\":0,\"query_id\":\"abc\",\"method\":\"init\",\"params\":[],"
                    "\"z\":{\"k\":[1,2]}}",
                    "{\"cls_id\":0,\"method\":\"init\",\"params\":null,\"properties\":{},"
                    "\"query_id\":\"abc\",\"retVal\":null,\"type\":2,\"writable_properties\":[],"
                    "\"z\":{\"k\":[1,2]}}\n"},
        ServiceCase{"LoadWithoutName",
                    "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"loadAddIn\",\"params\":[]}",
                    error_text(0, "Invalid arguments", 1, 5)},
        ServiceCase{"LoadWithoutLocation",
                    "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"loadAddIn\",\"params\":[\"A\"]}",
                    error_text(0, "Invalid arguments", 1, 5)},
        ServiceCase{"LoadWithNumericLocation",
                    "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"loadAddIn\","
                    "\"params\":[\"A\",5]}",
                    error_text(0, "Invalid arguments", 1, 5)},
        ServiceCase{"CreateInstanceOfUnknownName",
                    "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"createInstance\","
                    "\"params\":[\"Dev.Scandor\"]}",
                    error_text(0, "Invalid arguments", 1, 5)},
        ServiceCase{"SetLocaleWithoutLocale",
                    "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"setLocale\",\"params\":[]}",
                    error_text(0, "Invalid arguments", 1, 5)},
        ServiceCase{"ReleaseObjectWithoutId",
                    "{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"releaseObject\","
                    "\"params\":[]}",
                    error_text(0, "Invalid arguments", 1, 5)}),
    [](const ::testing::TestParamInfo<ServiceCase>& p) { return std::string(p.param.name); });

TEST(HostLoop, ErrorNumberFollowsTheLastRequestThatSetIt) {
    Host host;
    host.send("{\"type\":0}");
    ASSERT_EQ(kInitReply, host.next("init reply"));
    host.send(init_call(1));
    ASSERT_EQ(init_call_reply(1), host.next("init call reply"));
    host.send("{\"type\":8,\"cls_id\":0,\"query_id\":2}");
    EXPECT_EQ(error_text(0, "Invalid arguments", 1, 2), host.next("the error"));
    host.send("{\"type\":8,\"cls_id\":0,\"query_id\":3}");
    EXPECT_EQ(error_text(0, "Invalid arguments", 8, 3), host.next("the error after a reset"));
    host.quit();
}

// ---- Sites: properties and methods through site and adapter

class SiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.started);
        site = host.makeSite(1);
        ASSERT_EQ(1u, site);  // service 0, its probe site 1
    }
    void TearDown() override { host.quit(); }

    std::string call(unsigned query, const std::string& method, const std::string& params) {
        host.send(host.siteCall(site, query, method, params));
        return host.next(method.c_str());
    }
    std::string reply(unsigned query, const std::string& method, const std::string& params,
                      const std::string& retVal) {
        return "{\"cls_id\":" + std::to_string(site) + ",\"method\":\"" + method +
               "\",\"params\":" + params + ",\"properties\":{},\"query_id\":" +
               std::to_string(query) + ",\"retVal\":" + retVal +
               ",\"type\":2,\"writable_properties\":[]}\n";
    }

    Host host;
    unsigned site = 0;
};

TEST_F(SiteTest, PropertiesAreWrittenAndReadInEitherLanguage) {
    EXPECT_EQ(reply(10, "setPropertyValue", "[\"Speed\",19200]", "null"),
              call(10, "setPropertyValue", "[\"Speed\",19200]"));
    EXPECT_EQ(reply(11, "getPropertyValue", "[\"Speed\"]", "19200"),
              call(11, "getPropertyValue", "[\"Speed\"]"));
    EXPECT_EQ(reply(12, "getPropertyValue", "[\"\\u0421\\u043a\\u043e\\u0440\\u043e\\u0441\\u0442\\u044c\"]",
                    "19200"),
              call(12, "getPropertyValue", "[\"Скорость\"]"));
    EXPECT_EQ(reply(13, "getPropertyValue", "[\"Claimed\"]", "false"),
              call(13, "getPropertyValue", "[\"Claimed\"]"));
}

struct SiteErrorCase {
    const char* name;
    const char* method;
    const char* params;
    const char* error;  // "" for no message at all
};

class SiteErrors : public SiteTest, public ::testing::WithParamInterface<SiteErrorCase> {};

TEST_P(SiteErrors, AreAnsweredWithTheirTexts) {
    const SiteErrorCase& c = GetParam();
    host.send(host.siteCall(site, 30, c.method, c.params));
    if (*c.error != 0) {
        EXPECT_EQ(error_text(site, c.error, 1, 30), host.next("the error"));
    }
    host.expectNothingBefore(31);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SiteErrors,
    ::testing::Values(
        SiteErrorCase{"UnknownPropertyRead", "getPropertyValue", "[\"Nope\"]", "Property not found"},
        SiteErrorCase{"UnknownPropertyWrite", "setPropertyValue", "[\"Nope\",1]", "Property not found"},
        SiteErrorCase{"RefusedWrite", "setPropertyValue", "[\"Speed\",\"fast\"]", "Property error"},
        SiteErrorCase{"UnknownMethod", "callExt", "[\"Nope\"]", "Method not found"},
        SiteErrorCase{"CaseMatters", "callExt", "[\"claim\"]", "Method not found"},
        SiteErrorCase{"ReadWithoutName", "getPropertyValue", "[]", "Invalid arguments"},
        SiteErrorCase{"WriteWithoutValue", "setPropertyValue", "[\"Speed\"]", "Invalid arguments"},
        SiteErrorCase{"WriteOfNull", "setPropertyValue", "[\"Speed\",null]", "Invalid arguments"},
        SiteErrorCase{"WriteOfEmptyArray", "setPropertyValue", "[\"Speed\",[]]", "Invalid arguments"},
        SiteErrorCase{"WriteWithNumericName", "setPropertyValue", "[5,1]", "Invalid arguments"},
        SiteErrorCase{"CallWithEmptyParams", "callExt", "[]", "Invalid arguments"},
        SiteErrorCase{"CallWithNullName", "callExt", "[null]", "Invalid arguments"},
        SiteErrorCase{"CallWithNumericName", "callExt", "[5]", "Invalid arguments"},
        SiteErrorCase{"SiteMethodThatDoesNotExist", "bogus", "[\"x\"]", ""}),
    [](const ::testing::TestParamInfo<SiteErrorCase>& p) { return std::string(p.param.name); });

TEST_F(SiteTest, WriteOfZeroFalseOrEmptyTextReachesTheComponent) {
    // Each is passed on (not refused as missing); the component refuses the wrong kinds.
    EXPECT_EQ(error_text(site, "Property error", 1, 40),
              call(40, "setPropertyValue", "[\"Speed\",false]"));
    EXPECT_EQ(reply(41, "setPropertyValue", "[\"Port\",\"\"]", "null"),
              call(41, "setPropertyValue", "[\"Port\",\"\"]"));
    EXPECT_EQ(reply(42, "getPropertyValue", "[\"Port\"]", "\"\""),
              call(42, "getPropertyValue", "[\"Port\"]"));
}

TEST_F(SiteTest, CallExtReturnsTheNameInParams) {
    EXPECT_EQ(reply(50, "callExt", "[\"Close\"]", "null"), call(50, "callExt", "[\"Close\"]"));
    // A method without parameters leaves the arguments as the page sent them.
    EXPECT_EQ(reply(51, "callExt", "[\"Close\",1,2]", "null"),
              call(51, "callExt", "[\"Close\",1,2]"));
}

TEST_F(SiteTest, OperationsAfterDoneAreErrorsNotCrashes) {
    EXPECT_EQ(reply(60, "done", "null", "null"), call(60, "done", "[]"));
    EXPECT_EQ(error_text(site, "Invalid operation", 1, 61), call(61, "getPropertyValue", "[\"Speed\"]"));
    EXPECT_EQ(error_text(site, "Invalid operation", 1, 62),
              call(62, "setPropertyValue", "[\"Speed\",9600]"));
    EXPECT_EQ(error_text(site, "Invalid operation", 1, 63), call(63, "callExt", "[\"Claim\"]"));
    EXPECT_EQ(reply(64, "done", "null", "null"), call(64, "done", "[]"));
}

TEST_F(SiteTest, EveryLaterInstanceIsANewSite) {
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":70,\"method\":\"createInstance\","
              "\"params\":[\"Dev.Scandor\"]}");
    EXPECT_EQ(2u, parse(host.next("second instance"))["retVal"]["cls_id"].asUInt());
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":71,\"method\":\"createInstance\","
              "\"params\":[\"Dev.Scandor\"]}");
    EXPECT_EQ(3u, parse(host.next("third instance"))["retVal"]["cls_id"].asUInt());
    // A second load under the same name does nothing and says true.
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":72,\"method\":\"loadAddIn\",\"params\":[\"Dev\"]}");
    EXPECT_EQ("{\"cls_id\":0,\"method\":\"loadAddIn\",\"params\":[\"Dev\"],\"properties\":{},"
              "\"query_id\":72,\"retVal\":true,\"type\":2,\"writable_properties\":[]}\n",
              host.next("the repeated load"));
}

TEST_F(SiteTest, ReleasedSiteAnswersErrorsAndReleaseObjectWorks) {
    host.send("{\"type\":10,\"cls_id\":1}");
    EXPECT_EQ(error_text(1, "Invalid operation", 2, 80), call(80, "callExt", "[\"Claim\"]"));
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":81,\"method\":\"createInstance\","
              "\"params\":[\"Dev.Scandor\"]}");
    site = parse(host.next("a new instance"))["retVal"]["cls_id"].asUInt();
    EXPECT_EQ(2u, site);
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":82,\"method\":\"releaseObject\",\"params\":[2]}");
    EXPECT_TRUE(parse(host.next("released"))["retVal"].asBool());
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":83,\"method\":\"releaseObject\",\"params\":[2]}");
    EXPECT_FALSE(parse(host.next("released again"))["retVal"].asBool());
}

TEST(SiteRecords, CreateInstanceOfAReleasedProbeSiteMakesAFreshSite) {
    Host host;
    host.send("{\"type\":0}");
    ASSERT_EQ(kInitReply, host.next("init reply"));
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":1,\"method\":\"loadAddIn\",\"params\":[\"\",\"x\"]}");
    EXPECT_EQ("{\"cls_id\":0,\"method\":\"registerClassName\",\"params\":[\"Scandor\"],"
              "\"query_id\":2,\"type\":15}\n",
              host.next("registerClassName with the extension name alone"));
    host.next("the load reply");
    host.send("{\"type\":10,\"cls_id\":1}");  // the probe site, before anybody asked for it
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":3,\"method\":\"createInstance\","
              "\"params\":[\"Scandor\"]}");
    EXPECT_EQ("{\"cls_id\":0,\"method\":\"createInstance\",\"params\":[\"Scandor\"],"
              "\"properties\":{},\"query_id\":3,\"retVal\":{\"cls_id\":2,\"cls_name\":"
              "\"AddInSite\",\"methods\":[\"callExt\",\"done\",\"getPropertyValue\","
              "\"setPropertyValue\"],\"properties\":{},\"writable_properties\":[]},\"type\":2,"
              "\"writable_properties\":[]}\n",
              host.next("a fresh site, described as for a first request"));
    host.send(host.siteCall(2, 4, "getPropertyValue", "[\"EventName\"]"));
    EXPECT_EQ("Scandor", parse(host.next("the fresh site works"))["retVal"].asString());
    host.send("{\"type\":2,\"cls_id\":0,\"query_id\":5,\"method\":\"createInstance\","
              "\"params\":[\"Scandor\"]}");
    EXPECT_EQ(3u, parse(host.next("a new site"))["retVal"]["cls_id"].asUInt());
    host.quit();
}

// ---- Chunking of oversized messages

// The reply to a call of "init" that carries the member "pad" with the given JSON text.
std::string padded_call(const std::string& escapedPad) {
    return "{\"type\":2,\"cls_id\":0,\"query_id\":7,\"method\":\"init\",\"params\":[],\"pad\":\"" +
           escapedPad + "\"}";
}
std::string padded_reply(const std::string& escapedPad) {
    return "{\"cls_id\":0,\"method\":\"init\",\"pad\":\"" + escapedPad +
           "\",\"params\":null,\"properties\":{},\"query_id\":7,\"retVal\":null,\"type\":2,"
           "\"writable_properties\":[]}\n";
}
const size_t kPaddedOverhead = padded_reply("").size();

struct ChunkCase {
    const char* name;
    std::string pad;      // as it stands inside the JSON string
    size_t expectedCount; // 1 for a single frame
};

class Chunking : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(Chunking, SplitsAtTheLimitsAndReassemblesExactly) {
    const ChunkCase& c = GetParam();
    const std::string expected = padded_reply(c.pad);
    Host host;
    host.send("{\"type\":0}");
    ASSERT_EQ(kInitReply, host.next("init reply"));
    ASSERT_TRUE(host.send(padded_call(c.pad)));
    std::string first = host.next("the reply or its first chunk");
    if (c.expectedCount == 1) {
        EXPECT_EQ(expected.size(), first.size());
        EXPECT_TRUE(first == expected);
        host.quit();
        return;
    }
    std::string joined;
    size_t count = 0;
    for (size_t num = 1;; ++num) {
        const std::string text = num == 1 ? first : host.next("a chunk");
        ASSERT_LE(text.size(), 1048565u) << "chunk " << num << " does not fit one frame";
        const JsValue chunk = parse(text);
        ASSERT_EQ(17, chunk["type"].asInt()) << text.substr(0, 200);
        ASSERT_EQ(num, chunk["num"].asUInt());
        ASSERT_EQ(7u, chunk["query_id"].asUInt());
        count = chunk["count"].asUInt();
        joined += chunk["chunk"].asString();
        if (num == count) break;
        ASSERT_LT(num, count);
    }
    EXPECT_EQ(c.expectedCount, count);
    EXPECT_EQ(expected.size(), joined.size());
    EXPECT_TRUE(joined == expected) << "reassembly differs from the message";
    host.quit();
}

std::string repeat(const std::string& unit, size_t times) {
    std::string s;
    s.reserve(unit.size() * times);
    for (size_t i = 0; i < times; ++i) s += unit;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Chunking,
    ::testing::Values(
        ChunkCase{"LongestSingleFrame", std::string(1048565 - kPaddedOverhead, 'a'), 1},
        ChunkCase{"ShortestChunked", std::string(1048566 - kPaddedOverhead, 'a'), 2},
        ChunkCase{"ExactMultipleEndsWithEmptyChunk", std::string(1892352 - kPaddedOverhead, 'a'), 3},
        ChunkCase{"FourMiB", std::string(4 * 1024 * 1024, 'a'), 5},
        // Every backslash of the text doubles once more inside a chunk: full-size pieces would
        // not fit a frame, so the pieces are shorter and more numerous.
        ChunkCase{"AllBackslashes", repeat("\\\\", 1100000), 5},
        ChunkCase{"AllQuotes", repeat("\\\"", 700000), 3},
        ChunkCase{"UnicodeEscapes", repeat("\\u0416", 200000), 2}),
    [](const ::testing::TestParamInfo<ChunkCase>& p) { return std::string(p.param.name); });

}  // namespace
