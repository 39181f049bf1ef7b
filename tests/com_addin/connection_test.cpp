// Connecting one object of the fixture by ProgID, in the order the sites use, its use of the
// connection object (early-bound, late-bound and from its own thread), and disconnection
// giving back every reference exactly once.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "context_call.h"
#include "probe_test.h"
#include "variant_codes.h"

namespace {

using com_test::FixtureLibrary;
using com_test::ProbeTest;
using com_test::RecordingConnection;
using com_test::VariantScope;

constexpr std::chrono::seconds kEventDeadline{20};

const FixtureLibrary& library() { return FixtureLibrary::instance(); }

// Nothing of the fixture is alive and it holds nothing of the connection.
void expect_all_released(const RecordingConnection& connection) {
    EXPECT_EQ(library().counters().liveObjects, 0);
    EXPECT_EQ(library().counters().objectRefs, 0) << "references on the add-in's objects";
    EXPECT_EQ(library().counters().connectionRefs, 0) << "the fixture's on the connection";
    EXPECT_EQ(connection.references(), 1) << "only the test's own";
}

// A method of the connected object through the shared context call.
HRESULT call(RecordingConnection& connection, const wchar_t* method,
             const std::vector<std::wstring>& params, VARIANT* result) {
    VariantScope list(com_test::array_of(params));
    BSTR name = SysAllocString(method);
    const HRESULT hr =
        com_addin::context_call(connection.addIn().extender(), name, list.get(), result);
    SysFreeString(name);
    return hr;
}

std::wstring report_of(RecordingConnection& connection, const wchar_t* method) {
    VARIANT result = {};
    VariantInit(&result);
    VariantScope holder(result);
    EXPECT_EQ(call(connection, method, {}, holder.get()), S_OK);
    return holder.get()->vt == VT_BSTR ? com_test::text(holder.get()->bstrVal) : L"";
}

class ComConnection : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        s_registered = com_test::register_fixture();
    }
    void SetUp() override {
        ASSERT_TRUE(s_registered);
        library().reset();
    }
    static inline bool s_registered = false;
};

TEST_F(ComConnection, ConnectsByProgIdInTheSitesOrder) {
    RecordingConnection connection;
    const com_addin::ConnectOutcome outcome = connection.connect(L"AddIn.Probe");
    EXPECT_EQ(outcome.created, S_OK);
    EXPECT_EQ(outcome.initQuery, S_OK);
    EXPECT_EQ(outcome.init, S_OK);
    ASSERT_TRUE(connection.addIn().loaded());
    EXPECT_EQ(connection.addIn().progId(), L"AddIn.Probe");

    EXPECT_EQ(connection.addIn().setLocale(L"ru_RU"), S_OK);
    const com_addin::VersionOutcome version = connection.addIn().readVersion();
    EXPECT_EQ(version.getInfo, S_OK);
    EXPECT_EQ(version.version, 2100) << "element 0 holds the digits \"2100\"";
    BSTR extension = nullptr;
    EXPECT_EQ(connection.addIn().extender()->RegisterExtensionAs(&extension), S_OK);
    EXPECT_EQ(com_test::text(extension), L"Probe");
    SysFreeString(extension);

    VARIANT locale = {};
    VariantInit(&locale);
    BSTR name = SysAllocString(L"Locale");
    EXPECT_EQ(connection.getPropVal(name, &locale), S_OK);
    SysFreeString(name);
    EXPECT_EQ(com_test::code_of(locale), L"s:ru_RU");
    VariantClear(&locale);

    EXPECT_EQ(connection.connect(L"AddIn.Plain").created, E_UNEXPECTED) << "a second object";
    EXPECT_EQ(library().counters().liveObjects, 1);

    EXPECT_EQ(connection.addIn().disconnect(), S_OK);
    EXPECT_FALSE(connection.addIn().loaded());
    EXPECT_EQ(library().journal(), L"Init;SetLocale(ru_RU);GetInfo;RegisterExtensionAs;Done;");
    expect_all_released(connection);
}

TEST_F(ComConnection, ObjectWithoutLocaleGetsNone) {
    RecordingConnection connection;
    ASSERT_EQ(connection.connect(L"AddIn.Plain").init, S_OK);
    EXPECT_EQ(connection.addIn().setLocale(L"ru_RU"), E_NOINTERFACE);
    EXPECT_EQ(connection.addIn().readVersion().version, 2100);
    EXPECT_EQ(connection.addIn().disconnect(), S_OK);
    EXPECT_EQ(library().journal(), L"Init;GetInfo;Done;");
    expect_all_released(connection);
}

TEST_F(ComConnection, ObjectWithoutInitIsStillUsed) {
    RecordingConnection connection;
    const com_addin::ConnectOutcome outcome = connection.connect(L"AddIn.Bare");
    EXPECT_EQ(outcome.created, S_OK);
    EXPECT_EQ(outcome.initQuery, E_NOINTERFACE);
    EXPECT_EQ(outcome.init, S_FALSE) << "Init is not called";
    ASSERT_TRUE(connection.addIn().loaded());
    EXPECT_EQ(connection.addIn().setLocale(L"ru_RU"), E_NOINTERFACE);
    const com_addin::VersionOutcome version = connection.addIn().readVersion();
    EXPECT_EQ(version.getInfo, E_FAIL);
    EXPECT_EQ(version.version, 0);
    VARIANT result = {};
    VariantInit(&result);
    EXPECT_EQ(call(connection, L"Sum", {L"i:1", L"i:2", L"i:3"}, &result), S_OK);
    EXPECT_EQ(com_test::code_of(result), L"i:6");
    EXPECT_EQ(connection.addIn().disconnect(), S_OK);
    EXPECT_EQ(library().journal(), L"");
    expect_all_released(connection);
}

TEST_F(ComConnection, UnknownProgIdIsNotCreated) {
    RecordingConnection connection;
    const com_addin::ConnectOutcome outcome = connection.connect(L"AddIn.Nothing");
    EXPECT_TRUE(FAILED(outcome.created));
    EXPECT_FALSE(connection.addIn().loaded());
    EXPECT_EQ(connection.addIn().object(), nullptr);
    EXPECT_EQ(connection.addIn().disconnect(), S_OK);
    EXPECT_EQ(connection.references(), 1);
}

TEST_F(ComConnection, EndWithoutDisconnectReleasesWithoutDone) {
    RecordingConnection connection;
    {
        com_addin::AddInConnection addIn;
        ASSERT_EQ(addIn.connect(L"AddIn.Probe", connection.dispatch()).created, S_OK);
        EXPECT_EQ(library().counters().liveObjects, 1);
    }
    EXPECT_EQ(library().journal(), L"Init;");
    expect_all_released(connection);
}

TEST_F(ComConnection, HostInterfacesEarlyBound) {
    RecordingConnection connection;
    ASSERT_EQ(connection.connect(L"AddIn.Probe").created, S_OK);
    EXPECT_EQ(report_of(connection, L"Exercise"),
              L"status=00000000,00000000;"
              L"profile=00000000,00000000,00000000:8:green,80004005:0:;"
              L"error=00000000;"
              L"events=00000000,00000000:7,00000000,00000000;"
              L"boxes=00000000:11:-1,00000000;"
              L"platform=00000000:8.3.1|TestAgent/1.0|-1;"
              L"windows=80004001;");
    EXPECT_EQ(connection.calls(),
              (std::vector<std::wstring>{
                  L"SetStatusLine(Busy)", L"ResetStatusLine", L"RegisterProfileAs(ProbeProfile)",
                  L"Write(Color)", L"Read(Color)", L"Read(Missing)",
                  L"AddError(0,Velmor,No value Missing,17)",
                  L"AddError(7,Probe,Something failed,-2147467260)", L"SetEventBufferDepth(7)",
                  L"GetEventBufferDepth", L"CleanEventBuffer", L"Confirm(Proceed?)",
                  L"Alert(Done)"}));
    EXPECT_EQ(connection.events(), std::vector<std::wstring>{L"Probe|Exercise|early"});
    EXPECT_EQ(library().counters().connectionRefs, 2) << "after the exercise, Init's two";
    connection.addIn().disconnect();
    expect_all_released(connection);
}

TEST_F(ComConnection, HostInterfacesThroughTheDispatchNames) {
    RecordingConnection connection;
    ASSERT_EQ(connection.connect(L"AddIn.Probe").created, S_OK);
    EXPECT_EQ(report_of(connection, L"ExerciseLateBound"),
              L"profile=00000000,00000000,00000000:3:12;"
              L"events=00000000,00000000:9,00000000,00000000;"
              L"status=00000000,00000000,00000000,80004001;"
              L"context=00000000,00000000:8:late text,00000000:8:two:3:1;");
    EXPECT_EQ(connection.calls(),
              (std::vector<std::wstring>{
                  L"RegisterProfileAs(LateProfile)", L"Write(Size)", L"Read(Size)",
                  L"SetEventBufferDepth(9)", L"GetEventBufferDepth", L"CleanEventBuffer",
                  L"SetStatusLine(Late busy)", L"ResetStatusLine",
                  L"AddError(3,Probe,Late failure,-2147467260)"}));
    EXPECT_EQ(connection.events(), std::vector<std::wstring>{L"Probe|Late|dispatch"});
    connection.addIn().disconnect();
    expect_all_released(connection);
}

TEST_F(ComConnection, EventsFromTheAddInsOwnThread) {
    RecordingConnection connection;
    ASSERT_EQ(connection.connect(L"AddIn.Probe").created, S_OK);
    ASSERT_EQ(call(connection, L"StartEvents", {L"i:5", L"i:5"}, nullptr), S_OK);
    ASSERT_TRUE(connection.waitForEvents(5, kEventDeadline))
        << "waited for 5 events from the fixture's thread, got " << connection.events().size();
    EXPECT_EQ(call(connection, L"StopEvents", {}, nullptr), S_OK);
    EXPECT_EQ(connection.events(),
              (std::vector<std::wstring>{L"Probe|Tick|1", L"Probe|Tick|2", L"Probe|Tick|3",
                                         L"Probe|Tick|4", L"Probe|Tick|5"}));
    EXPECT_EQ(library().counters().connectionRefs, 2) << "the thread gave its reference back";
    connection.addIn().disconnect();
    expect_all_released(connection);
}

TEST_F(ComConnection, DisconnectWhileEventsRunStopsThemAndReleasesAll) {
    RecordingConnection connection;
    ASSERT_EQ(connection.connect(L"AddIn.Probe").created, S_OK);
    ASSERT_EQ(call(connection, L"StartEvents", {L"i:1000000", L"i:1"}, nullptr), S_OK);
    ASSERT_TRUE(connection.waitForEvents(3, kEventDeadline))
        << "waited for 3 events from the fixture's thread";
    EXPECT_EQ(library().counters().connectionRefs, 3) << "Init's two and the thread's";
    EXPECT_EQ(connection.addIn().disconnect(), S_OK);
    expect_all_released(connection);
    const size_t seen = connection.events().size();
    EXPECT_EQ(static_cast<LONG>(seen), library().counters().eventsRaised);
}

// Counts the disconnections that ran.
class FinishCount : public com_addin::AddInConnection::FinishListener {
public:
    void connectionFinished() override { ++finished; }
    int finished = 0;
};

// The page ends the object from a callback that the object makes inside its own method, one
// or two calls deep: the object stays whole until the outermost call returns, and answers as
// disconnected from the request on.
TEST_F(ComConnection, DisconnectAskedDuringACallRunsWhenTheOutermostCallEnds) {
    for (const int depth : {1, 2}) {
        SCOPED_TRACE("calls under way: " + std::to_string(depth));
        library().reset();
        RecordingConnection connection;
        FinishCount count;
        com_addin::AddInConnection addIn(nullptr, &count);
        ASSERT_EQ(addIn.connect(L"AddIn.Probe", connection.dispatch()).created, S_OK);
        int asked = 0;
        connection.onError = [&] {
            ++asked;
            EXPECT_EQ(addIn.disconnect(), S_OK);
            EXPECT_EQ(addIn.disconnect(), S_OK) << "asked again while it waits";
            EXPECT_FALSE(addIn.loaded());
            EXPECT_EQ(addIn.extender(), nullptr);
            EXPECT_EQ(addIn.initDone(), nullptr);
            EXPECT_EQ(addIn.setLocale(L"ru_RU"), E_FAIL) << "a disconnected object";
        };
        using Scope = com_addin::AddInConnection::CallScope;
        VARIANT result = {};
        VariantInit(&result);
        {
            Scope outer(addIn);
            {
                std::unique_ptr<Scope> inner;
                if (depth == 2) inner = std::make_unique<Scope>(addIn);
                BSTR name = SysAllocString(L"ReportError");
                EXPECT_EQ(com_addin::context_call(addIn.extender(), name, nullptr, &result), S_OK);
                SysFreeString(name);
            }
            EXPECT_EQ(asked, 1);
            EXPECT_EQ(library().counters().liveObjects, 1) << "ended before the outermost call";
            EXPECT_EQ(count.finished, 0);
        }
        EXPECT_EQ(com_test::code_of(result), L"s:error=00000000;live=1;")
            << "the object was ended while its method ran";
        VariantClear(&result);
        EXPECT_EQ(count.finished, 1);
        EXPECT_EQ(library().journal(), L"Init;Done;") << "Done once, after the call";
        expect_all_released(connection);
    }
}

// The page answers an error report that the object makes inside its Done by ending the object
// again: the disconnection under way is not started a second time.
TEST_F(ComConnection, DisconnectAskedAgainFromDoneRunsOnce) {
    RecordingConnection connection;
    FinishCount count;
    com_addin::AddInConnection addIn(nullptr, &count);
    ASSERT_EQ(addIn.connect(L"AddIn.Probe", connection.dispatch()).created, S_OK);
    BSTR name = SysAllocString(L"ReportOnDone");
    EXPECT_EQ(com_addin::context_call(addIn.extender(), name, nullptr, nullptr), S_OK);
    SysFreeString(name);
    int asked = 0;
    connection.onError = [&] {
        ++asked;
        EXPECT_EQ(addIn.disconnect(), S_OK);
        EXPECT_FALSE(addIn.loaded());
    };
    EXPECT_EQ(addIn.disconnect(), S_OK);
    EXPECT_EQ(asked, 1) << "Done's error report";
    EXPECT_EQ(count.finished, 1);
    EXPECT_EQ(library().journal(), L"Init;Done;") << "Done once";
    expect_all_released(connection);
}

}  // namespace
