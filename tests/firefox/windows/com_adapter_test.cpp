// The component configured for COM add-ins, in the test browser under Wine, with the tests'
// COM add-in beside it: discovery and registration, the connection, values and parameter
// lists through XPCOM variants, the add-in's callbacks, events from the add-in's own thread,
// and the references given back on disconnection. Also the COM adapter on its own, with a
// listener of the test's making, and the HRESULTs it maps for the page.

#include <windows.h>
#include <ocidl.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "com_addin_interfaces.h"
#include "com_ids.h"
#include "component_fixture.h"
#include "fixture_library.h"
#include "hostile_lists.h"
#include "hresult_result.h"
#include "nsComponentManagerUtils.h"
#include "ole_variants.h"

namespace velmor_test {
namespace {

const char kAdapterContract[] = "@velmor.net/ClassCOM;1";

// A text for failure messages: ASCII as it is, every other unit as '?'.
template <class Text>
std::string shown(const Text& text) {
    std::string ascii;
    for (auto unit : text) ascii += unit < 0x80 ? static_cast<char>(unit) : '?';
    return ascii;
}

// A list of values as the page gives it: an array of variants.
nsCOMPtr<nsIWritableVariant> list_of(const std::vector<nsCOMPtr<nsIWritableVariant>>& values) {
    std::vector<nsIVariant*> elements;
    for (const nsCOMPtr<nsIWritableVariant>& value : values) elements.push_back(value.get());
    nsCOMPtr<nsIWritableVariant> list = do_CreateInstance(NS_VARIANT_CONTRACTID);
    list->SetAsArray(nsIDataType::VTYPE_INTERFACE_IS, &NS_GET_IID(nsIVariant),
                     static_cast<uint32_t>(elements.size()), elements.data());
    return list;
}

// The elements of an array of variants, each as text.
std::vector<std::u16string> element_texts(nsIVariant* list) {
    std::vector<std::u16string> texts;
    if (list == nullptr) return texts;
    uint16_t type = 0;
    nsIID iid;
    uint32_t count = 0;
    void* elements = nullptr;
    if (list->GetAsArray(&type, &iid, &count, &elements) != NS_OK) return texts;
    if (type == nsIDataType::VTYPE_INTERFACE_IS) {
        nsIVariant** values = static_cast<nsIVariant**>(elements);
        for (uint32_t i = 0; i < count; ++i) {
            texts.push_back(variant_text(values[i]));
            if (values[i] != nullptr) values[i]->Release();
        }
    }
    NS_Free(elements);
    return texts;
}

int32_t int_of(nsIVariant* value) {
    int32_t number = -1;
    if (value != nullptr) value->GetAsInt32(&number);
    return number;
}

// The blocks in use on the process heap, where the COM allocator keeps safe arrays and BSTRs
// (the C library and the XPCOM allocator have heaps of their own).
long busy_heap_blocks() {
    const HANDLE heap = GetProcessHeap();
    long busy = 0;
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heap, &entry)) {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) ++busy;
    }
    HeapUnlock(heap);
    return busy;
}

// ---- the component of kind 1 with the fixture beside it

class ComAddIn : public ComponentFixture {
protected:
    std::string componentPath() const override { return VELMOR_FIREFOX_COM_COMPONENT; }

    void SetUp() override {
        // Registered and mirrored for Wine beforehand: Wine activates the machine's classes,
        // which then name the copy this program holds loaded, whose counters the tests read.
        ASSERT_TRUE(com_test::register_fixture());
        fixture().reset();
        ComponentFixture::SetUp();
        m_service = newService(m_page);
        ASSERT_TRUE(m_service);
        m_site = loadAndCreate(m_service, u"Probe");
        ASSERT_TRUE(m_site);
    }
    void TearDown() override {
        m_site = nullptr;
        m_service = nullptr;
        ComponentFixture::TearDown();
    }
    static const com_test::FixtureLibrary& fixture() {
        return com_test::FixtureLibrary::instance();
    }

    nsCOMPtr<nsIVariant> call(const char16_t* name, nsIVariant* params,
                              nsresult expected = NS_OK) {
        nsCOMPtr<nsIVariant> result;
        EXPECT_EQ(expected, m_site->Call(name, params, getter_AddRefs(result))) << "call";
        return result;
    }
    std::u16string exerciseReport() { return variant_text(call(u"Exercise", nullptr)); }

    nsCOMPtr<IAddInServiceEx4> m_service;
    nsCOMPtr<IAddInSiteExt> m_site;
};

TEST_F(ComAddIn, DiscoveryRegistersTheLibraryBesideTheComponentAndAnnouncesItsClasses) {
    const std::vector<PageCall> classes = m_page->calls("registerClassName");
    std::vector<std::u16string> names;
    for (const PageCall& announced : classes) names.push_back(announced.a);
    EXPECT_NE(std::find(names.begin(), names.end(), u"Probe"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), u"Plain"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), u"Bare"), names.end()) << "not listed";

    // The loader registered the library it found beside the component, per user.
    CLSID clsid = {};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"AddIn.Probe", &clsid));
    wchar_t* text = nullptr;
    ASSERT_EQ(S_OK, StringFromCLSID(clsid, &text));
    const std::wstring key = std::wstring(L"Software\\Classes\\CLSID\\") + text + L"\\InprocServer32";
    CoTaskMemFree(text);
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ,
                                          nullptr, path, &size));
    const std::wstring registered(path);
    EXPECT_NE(registered.find(L"firefox-com"), std::wstring::npos) << shown(registered);
}

TEST_F(ComAddIn, ConnectsInOrderAndReadsTheVersion) {
    const std::wstring journal = fixture().journal();
    const size_t init = journal.find(L"Init;");
    const size_t locale = journal.find(L"SetLocale(", init);
    const size_t info = journal.find(L"GetInfo;", locale);
    const size_t extension = journal.find(L"RegisterExtensionAs;", info);
    EXPECT_EQ(0u, init) << shown(journal);
    EXPECT_NE(std::wstring::npos, locale);
    EXPECT_NE(std::wstring::npos, info);
    EXPECT_NE(std::wstring::npos, extension);
    EXPECT_EQ(2100u, m_site->GetVersion());
    nsString name;
    m_site->GetName(name);
    EXPECT_EQ(u"Probe", std::u16string(name.get()));
}

TEST_F(ComAddIn, PropertiesAreWrittenAndReadByEitherName) {
    ASSERT_EQ(NS_OK, m_site->SetPropertyValue(u"Text", string_variant(u"hello")));
    nsCOMPtr<nsIVariant> value;
    ASSERT_EQ(NS_OK, m_site->GetPropertyValue(u"Текст", getter_AddRefs(value)));
    EXPECT_EQ(u"hello", variant_text(value));
    ASSERT_EQ(NS_OK, m_site->GetPropertyValue(u"Locale", getter_AddRefs(value)));
    EXPECT_FALSE(variant_text(value).empty()) << "the locale the site gave";

    // A property that cannot be read is empty; one that cannot be written stays as it is.
    ASSERT_EQ(NS_OK, m_site->GetPropertyValue(u"Sealed", getter_AddRefs(value)));
    EXPECT_EQ(nsIDataType::VTYPE_EMPTY, data_type(value));
    EXPECT_EQ(NS_OK, m_site->SetPropertyValue(u"Sealed", string_variant(u"open")));
    EXPECT_EQ(NS_ERROR_INVALID_ARG, m_site->GetPropertyValue(u"Nothing", getter_AddRefs(value)));
}

TEST_F(ComAddIn, ParameterListsGoToTheAddInAndComeBack) {
    // The page's list, as the add-in left it.
    nsCOMPtr<nsIVariant> swapped;
    nsCOMPtr<nsIVariant> result;
    ASSERT_EQ(NS_OK, m_site->CallExt(u"Swap", list_of({int_variant(1), string_variant(u"two")}),
                                     getter_AddRefs(swapped), getter_AddRefs(result)));
    EXPECT_EQ((std::vector<std::u16string>{u"two", u"1"}), element_texts(swapped));

    // Parameters the page leaves out of its list stay empty; without a list the add-in's
    // defaults fill them.
    EXPECT_EQ(5, int_of(call(u"Sum", list_of({int_variant(5)}))));
    EXPECT_EQ(110, int_of(call(u"Sum", nullptr)));
    EXPECT_EQ(6, int_of(call(u"Sum", list_of({int_variant(1), int_variant(2), int_variant(3)}))));

    // The add-in put a longer array in place of the list: the page gets back what it gave.
    nsCOMPtr<nsIVariant> grown;
    ASSERT_EQ(NS_OK, m_site->CallExt(u"Grow", list_of({int_variant(7)}), getter_AddRefs(grown),
                                     getter_AddRefs(result)));
    EXPECT_EQ((std::vector<std::u16string>{u"7"}), element_texts(grown));

    call(u"Fail", nullptr, NS_ERROR_FAILURE);
}

// A page list holding a list reaches the add-in as an array inside the argument array; both
// calls give up all of it, whatever the add-in answers.
TEST_F(ComAddIn, ArgumentArraysGoWithTheArraysNestedInThem) {
    const nsCOMPtr<nsIWritableVariant> nested =
        list_of({list_of({string_variant(u"inner"), list_of({int_variant(3)})}), int_variant(1)});
    const auto call_both = [&] {
        call(u"Fail", nested, NS_ERROR_FAILURE);
        nsCOMPtr<nsIVariant> given;
        nsCOMPtr<nsIVariant> result;
        EXPECT_EQ(NS_ERROR_FAILURE, m_site->CallExt(u"Fail", nested, getter_AddRefs(given),
                                                    getter_AddRefs(result)));
    };
    call_both();  // the platform's own caches fill first
    const long before = busy_heap_blocks();
    // Each round leaking would leave at least two safe arrays and a BSTR behind; the platform
    // may keep a few blocks of its own meanwhile, far fewer than one a round.
    const long kRounds = 50;
    for (long i = 0; i < kRounds; ++i) call_both();
    EXPECT_LT(busy_heap_blocks() - before, kRounds) << "blocks left behind by " << kRounds
                                                    << " rounds of calls";
}

TEST_F(ComAddIn, TheHostInterfacesReachThePageAndTheDispatchKnowsNoNames) {
    const std::u16string report = exerciseReport();
    EXPECT_NE(std::u16string::npos, report.find(u"status=00000000,00000000;")) << shown(report);
    EXPECT_NE(std::u16string::npos,
              report.find(u"profile=00000000,00000000,00000000:8:read:Color,00000000:8:read:Missing;"));
    EXPECT_NE(std::u16string::npos, report.find(u"error=00000000;"));
    EXPECT_NE(std::u16string::npos, report.find(u"boxes=none;platform=none;windows=none;"));
    ASSERT_EQ(1u, m_page->count("setStatusLine"));
    EXPECT_EQ(u"Busy", m_page->calls("setStatusLine")[0].a);
    EXPECT_EQ(1u, m_page->count("resetStatusLine"));
    ASSERT_EQ(1u, m_page->count("writeValue"));
    EXPECT_EQ(u"green", m_page->calls("writeValue")[0].b);
    ASSERT_EQ(1u, m_page->count("addError"));
    EXPECT_EQ(u"Probe", m_page->calls("addError")[0].a);
    EXPECT_EQ(u"Something failed", m_page->calls("addError")[0].b);

    // The page refuses its profile: the add-in hears E_FAIL.
    m_page->m_answer = false;
    const std::u16string refused = exerciseReport();
    EXPECT_NE(std::u16string::npos, refused.find(u"profile=80004005,80004005,")) << shown(refused);

    const std::u16string late = variant_text(call(u"ExerciseLateBound", nullptr));
    EXPECT_NE(std::u16string::npos, late.find(u"profile=80004001,80004001,80004001")) << shown(late);
}

TEST_F(ComAddIn, EventsFromTheAddInsThreadReachThePageOnTheMainThread) {
    call(u"StartEvents", list_of({int_variant(3), int_variant(5)}));
    runUntil([&] { return m_page->count("externalEvent") >= 3; }, "three external events");
    call(u"StopEvents", nullptr);
    for (const PageCall& event : m_page->calls("externalEvent")) {
        EXPECT_TRUE(event.onMainThread);
    }
    EXPECT_EQ(3, fixture().counters().eventsRaised);
}

TEST_F(ComAddIn, DisconnectingGivesBackEveryReferenceOnce) {
    const FixtureCounters& counters = fixture().counters();
    const LONG live = counters.liveObjects;
    const LONG objectRefs = counters.objectRefs;
    const LONG connectionRefs = counters.connectionRefs;
    ASSERT_GE(live, 1);
    ASSERT_GE(connectionRefs, 2) << "Init's two references on the connection";
    call(u"Exercise", nullptr);  // takes and gives back references of its own
    EXPECT_EQ(connectionRefs, counters.connectionRefs);

    ASSERT_EQ(NS_OK, m_site->Done());
    EXPECT_EQ(live - 1, counters.liveObjects);
    EXPECT_EQ(connectionRefs - 2, counters.connectionRefs);
    EXPECT_LT(counters.objectRefs, objectRefs);
    EXPECT_NE(std::wstring::npos, fixture().journal().find(L"Done;"));

    // The probe sites of the service go with it: nothing stays held on either side.
    m_site = nullptr;
    m_service = nullptr;
    EXPECT_EQ(0, counters.liveObjects);
    EXPECT_EQ(0, counters.objectRefs);
    EXPECT_EQ(0, counters.connectionRefs);
}

// The page ends the object from the error report that the object makes inside its own method:
// the object stays whole until the method has returned, then ends, and the site answers as an
// ended one.
TEST_F(ComAddIn, AnObjectEndedFromItsOwnCallbackEndsWhenItsMethodReturns) {
    const FixtureCounters& counters = fixture().counters();
    const LONG live = counters.liveObjects;
    ASSERT_GE(live, 1);
    m_page->m_onError = [&] { m_site->Done(); };
    const std::u16string report = variant_text(call(u"ReportError", nullptr));
    m_page->m_onError = nullptr;
    EXPECT_EQ(u"error=00000000;live=" + utf16(std::to_string(live)) + u";", report)
        << "the object ended while its method ran";
    EXPECT_EQ(live - 1, counters.liveObjects) << "the object outlived its method";
    const std::wstring journal = fixture().journal();
    const size_t done = journal.find(L"Done;");
    EXPECT_NE(std::wstring::npos, done) << shown(journal);
    EXPECT_EQ(std::wstring::npos, journal.find(L"Done;", done + 1)) << "Done twice";
    call(u"Sum", nullptr, NS_ERROR_INVALID_ARG);  // an ended object has no methods
}

// The add-in's own timer on the main thread sends an event or reads the profile outside any
// call into it, and the page's answer ends the site, by done or by letting go of it: the
// add-in returns into a live object, and its disconnection (Done, then the releases) follows
// once, from the main thread's loop.
TEST_F(ComAddIn, AnOwnHostCallWhoseAnswerEndsTheSiteReturnsIntoALiveAddIn) {
    struct Case {
        long kind;             // of ComFixtureHostCallNow
        const char* pageCall;  // where the page ends the site
    };
    const Case kCases[] = {{0, "externalEvent"}, {1, "readValue"}};
    const FixtureCounters& counters = fixture().counters();
    for (const Case& c : kCases) {
        for (const bool byRelease : {false, true}) {
            SCOPED_TRACE(std::string(c.pageCall) + (byRelease ? ", released" : ", done"));
            // The new site's object is the newest, which makes the call.
            nsCOMPtr<IAddInSiteExt> site;
            ASSERT_EQ(NS_OK, m_service->CreateInstanceExt(u"Probe", getter_AddRefs(site)));
            const LONG live = counters.liveObjects;
            const LONG objectRefs = counters.objectRefs;
            const LONG connectionRefs = counters.connectionRefs;
            fixture().reset();
            IAddInSiteExt* const raw = site.get();
            int answers = 0;
            m_page->m_onCall = [&](const std::string& method) {
                if (method != c.pageCall || answers++ != 0) return;
                if (byRelease) {
                    m_service->ReleaseObject(site);
                    site = nullptr;
                } else {
                    raw->Done();
                }
            };
            EXPECT_EQ(1, fixture().hostCallNow(c.kind))
                << "the add-in returned into an object that was gone";
            m_page->m_onCall = nullptr;
            EXPECT_EQ(1, answers);
            EXPECT_EQ(L"OwnHostCall;OwnHostCallReturned(ok);", fixture().journal())
                << "Done ran inside the add-in's own call";
            EXPECT_TRUE(runUntil([&] { return counters.liveObjects == live - 1; },
                                 "the object's disconnection"));
            EXPECT_EQ(L"OwnHostCall;OwnHostCallReturned(ok);Done;", fixture().journal());
            if (site) m_service->ReleaseObject(site);
            site = nullptr;
            EXPECT_EQ(live - 1, counters.liveObjects);
            EXPECT_LT(counters.objectRefs, objectRefs);
            EXPECT_EQ(connectionRefs - 2, counters.connectionRefs) << "Init's two references";
        }
    }
}

// Nothing of an array that is no list of VARIANTs is read back: the call fails and hands
// nothing back.
TEST_F(ComAddIn, AHostileListFailsTheCallUnread) {
    for (int32_t kind = 0; kind < fixture::kHostileListCount; ++kind) {
        nsCOMPtr<nsIVariant> back;
        nsCOMPtr<nsIVariant> result;
        EXPECT_EQ(NS_ERROR_FAILURE, m_site->CallExt(u"HandBack", list_of({int_variant(kind)}),
                                                    getter_AddRefs(back), getter_AddRefs(result)))
            << "hostile list " << kind;
        EXPECT_FALSE(back) << "hostile list " << kind;
        EXPECT_EQ(0, fixture().counters().tripwireReleases) << "hostile list " << kind;
        call(u"HandBack", list_of({int_variant(kind)}));  // not read back: given up unread
        EXPECT_EQ(0, fixture().counters().tripwireReleases) << "hostile list " << kind;
    }
}

// With the page's list or with the add-in's defaults, a parameter count that no array can hold
// fails the call before anything is written or called.
TEST_F(ComAddIn, AParameterCountBeyondAnyArrayFailsTheCall) {
    for (const char16_t* method : {u"ManyParams", u"MostParams"}) {
        call(method, list_of({int_variant(1)}), NS_ERROR_FAILURE);
        call(method, nullptr, NS_ERROR_FAILURE);
        EXPECT_EQ(std::wstring::npos, fixture().journal().find(L"called"))
            << "the add-in was called";
    }
}

// A thread of the add-in calls every host operation while the main thread calls them too: its
// events and the depth pass (the events reach the page on the main thread), every other call
// fails there without reaching the site, and a profile read it makes is refused as the site
// refuses one.
TEST_F(ComAddIn, TheAddInsOwnThreadPassesOnlyTheEventsAndTheDepth) {
    const int32_t kRounds = 20;
    const size_t kMainRounds = 5;
    call(u"StartExercise", list_of({int_variant(kRounds)}));
    for (size_t i = 0; i < kMainRounds; ++i) call(u"Exercise", nullptr);
    const std::u16string reports = variant_text(call(u"AwaitExercise", nullptr));
    const size_t end = reports.find(u'\n');
    EXPECT_EQ(reports.size(), end + 1) << "the rounds differ: " << shown(reports);
    const std::u16string report = reports.substr(0, end);
    for (const char16_t* refused :
         {u"status=80004005,80004005;", u"profile=80004005,80004005,00000000:0:,00000000:0:;",
          u"error=80004005;", u"events=00000000,00000000:7,80004005,00000000;",
          u"boxes=none;platform=none;windows=none;",
          u"|late:profile=80004001,80004001,80004001:0:;"}) {
        EXPECT_NE(std::u16string::npos, report.find(refused))
            << shown(std::u16string(refused)) << " in " << shown(report);
    }
    const size_t events = kRounds + kMainRounds;
    runUntil([&] { return m_page->count("externalEvent") >= events; }, "the thread's events");
    EXPECT_EQ(events, m_page->count("externalEvent"));
    for (const char* callback : {"setStatusLine", "resetStatusLine", "registerProfileAs",
                                 "writeValue", "addError"}) {
        EXPECT_EQ(kMainRounds, m_page->count(callback)) << callback;
    }
    EXPECT_EQ(2 * kMainRounds, m_page->count("readValue"));
    for (const PageCall& pageCall : m_page->calls()) {
        EXPECT_TRUE(pageCall.onMainThread) << pageCall.method << " off the main thread";
    }
}

// A thread of the add-in that outlives Done, whether Done succeeds or fails, reaches no site
// once the site has gone: its events are refused, and the adapter ends with its reference.
TEST_F(ComAddIn, EventsAfterTheSiteHasGoneReachNothing) {
    for (int32_t fails : {0, 1}) {
        if (!m_site) {
            m_service = newService(m_page);
            ASSERT_TRUE(m_service);
            m_site = loadAndCreate(m_service, u"Probe");
            ASSERT_TRUE(m_site);
        }
        call(u"OutliveDone", list_of({int_variant(fails)}));
        m_site = nullptr;
        m_service = nullptr;
        EXPECT_EQ(0, fixture().counters().liveObjects) << "Done failing: " << fails;
        EXPECT_EQ(0, fixture().sendLateEvents(3)) << "Done failing: " << fails;
        EXPECT_EQ(0, fixture().counters().connectionRefs) << "Done failing: " << fails;
    }
}

// ---- the adapter on its own

// A listener that answers as told and records the profile reads and the errors.
class Listener final : public IInnerListener {
public:
    NS_IMETHOD QueryInterface(REFNSIID, void** out) override {
        *out = nullptr;
        return NS_ERROR_NO_INTERFACE;
    }
    NS_IMETHOD_(nsrefcnt) AddRef() override { return 1; }
    NS_IMETHOD_(nsrefcnt) Release() override { return 1; }
    NS_IMETHOD_(bool) SetEventBufferDepth(int32_t) override { return true; }
    NS_IMETHOD_(int32_t) GetEventBufferDepth() override { return 4; }
    NS_IMETHOD_(void) CleanEventBuffer() override {}
    NS_IMETHOD_(bool) ExternalEvent(const char16_t*, const char16_t*, const char16_t*) override {
        return true;
    }
    NS_IMETHOD_(bool) AddError(uint16_t, const char16_t* source, const char16_t* descr,
                               int32_t scode) override {
        errors.push_back(std::u16string(source) + u"|" + descr + u"|" +
                         utf16(std::to_string(scode)));
        return answer;
    }
    NS_IMETHOD_(bool) Read(const char16_t*, nsIVariant** value, int32_t* error,
                           nsAString& description) override {
        if (readValue) {
            *value = readValue.get();
            (*value)->AddRef();
            return true;
        }
        *value = nullptr;
        *error = 42;
        description.Assign(u"refused");
        return false;
    }
    NS_IMETHOD_(bool) Write(const char16_t*, nsIVariant*) override { return answer; }
    NS_IMETHOD_(bool) RegisterProfileAs(const char16_t*) override { return answer; }
    NS_IMETHOD_(bool) SetStatusLine(const char16_t*) override { return true; }
    NS_IMETHOD_(void) ResetStatusLine() override {}
    NS_IMETHOD_(bool) AlertCB(const char16_t*) override { return true; }
    NS_IMETHOD_(bool) ConfirmCB(const char16_t*, nsIVariant**) override { return true; }
    NS_IMETHOD_(bool) GetUserAgentCB(nsAString&) override { return true; }
    NS_IMETHOD_(bool) CreateObjectCB(const char16_t*, nsIVariant**) override { return false; }
    NS_IMETHOD_(bool) GetVersionCB(nsAString&) override { return true; }

    bool answer = true;
    std::vector<std::u16string> errors;
    nsCOMPtr<nsIVariant> readValue;  // answered to a profile read; null refuses it
};

class ComAdapter : public ComponentFixture {
protected:
    std::string componentPath() const override { return VELMOR_FIREFOX_COM_COMPONENT; }
    void SetUp() override {
        ComponentFixture::SetUp();
        nsresult rv = NS_OK;
        m_adapter = m_browser->create<IComponentDef>(kAdapterContract, &rv);
        ASSERT_EQ(NS_OK, rv);
        ASSERT_TRUE(m_adapter);
    }
    void TearDown() override {
        m_adapter = nullptr;
        ComponentFixture::TearDown();
    }
    // A COM part of the adapter, counted; null when it is not offered.
    template <class T>
    T* part(REFIID iid) {
        void* found = nullptr;
        if (m_adapter->QueryInterface(nsid_of(iid), &found) != NS_OK) return nullptr;
        return static_cast<T*>(found);
    }

    nsCOMPtr<IComponentDef> m_adapter;
};

TEST_F(ComAdapter, OffersTheHostInterfacesButNoWindowsBoxesOrPlatform) {
    const IID offered[] = {com_addin::IID_IStatusLine, com_addin::IID_IAsyncEvent, IID_IDispatch,
                           IID_IErrorLog, IID_IPropertyBag, com_addin::IID_IPropertyProfile,
                           IID_IUnknown};
    for (const IID& iid : offered) {
        IUnknown* unknown = part<IUnknown>(iid);
        EXPECT_NE(nullptr, unknown);
        if (unknown != nullptr) unknown->Release();
    }
    const IID refused[] = {com_addin::IID_IMsgBox, com_addin::IID_IPlatformInfo,
                           com_addin::IID_IExtWndsSupport, com_addin::IID_IContext};
    for (const IID& iid : refused) EXPECT_EQ(nullptr, part<IUnknown>(iid));

    // IPropertyBag is the profile part itself.
    IUnknown* bag = part<IUnknown>(IID_IPropertyBag);
    IUnknown* profile = part<IUnknown>(com_addin::IID_IPropertyProfile);
    EXPECT_EQ(bag, profile);
    bag->Release();
    profile->Release();

    IDispatch* dispatch = part<IDispatch>(IID_IDispatch);
    ASSERT_NE(nullptr, dispatch);
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"SetStatusLine")};
    DISPID id = 0;
    EXPECT_EQ(E_NOTIMPL, dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
    UINT count = 7;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);
    dispatch->Release();

    const nsID clsid = m_adapter->GetCLSID();
    const nsID zero = {};
    EXPECT_TRUE(clsid.Equals(zero));
}

TEST_F(ComAdapter, AnswersTheAddInThroughTheListener) {
    com_addin::IPropertyProfile* profile =
        part<com_addin::IPropertyProfile>(com_addin::IID_IPropertyProfile);
    IErrorLog* log = part<IErrorLog>(IID_IErrorLog);
    ASSERT_NE(nullptr, profile);
    ASSERT_NE(nullptr, log);
    BSTR name = SysAllocString(L"Profile");
    VARIANT value;
    VariantInit(&value);

    // Without a listener every call is refused.
    EXPECT_EQ(E_FAIL, profile->RegisterProfileAs(name));
    EXPECT_EQ(E_FAIL, profile->Read(L"Size", &value, log));

    Listener listener;
    m_adapter->Initialize(&listener);
    EXPECT_EQ(S_OK, profile->RegisterProfileAs(name));
    listener.answer = false;
    EXPECT_EQ(E_FAIL, profile->RegisterProfileAs(name));
    listener.answer = true;

    // A refused read still answers S_OK, with an empty value and the error logged.
    value.vt = VT_I4;
    EXPECT_EQ(S_OK, profile->Read(L"Size", &value, log));
    EXPECT_EQ(VT_EMPTY, value.vt);
    ASSERT_EQ(1u, listener.errors.size());
    EXPECT_EQ(u"Velmor|refused|42", listener.errors[0]);
    EXPECT_EQ(S_OK, profile->Read(L"Size", &value, nullptr)) << "no error log";
    EXPECT_EQ(1u, listener.errors.size());

    SysFreeString(name);
    m_adapter->Initialize(nullptr);
    log->Release();
    profile->Release();
}

// An add-in may hand the profile an uninitialised VARIANT to fill: what is in it is never read
// or freed, whether the listener answers with a value or refuses.
TEST_F(ComAdapter, AProfileReadFillsAnUninitialisedVariantWithoutTouchingWhatWasThere) {
    com_addin::IPropertyProfile* profile =
        part<com_addin::IPropertyProfile>(com_addin::IID_IPropertyProfile);
    ASSERT_NE(nullptr, profile);
    Listener listener;
    m_adapter->Initialize(&listener);
    const nsCOMPtr<nsIWritableVariant> stored[] = {string_variant(u"blue"),
                                                   list_of({int_variant(4)}), nullptr};
    for (const nsCOMPtr<nsIWritableVariant>& value : stored) {
        listener.readValue = value;
        VARIANT garbage;
        std::memset(&garbage, 0xA5, sizeof garbage);  // a wild BSTR and array pointer alike
        garbage.vt = VT_BSTR;
        EXPECT_EQ(S_OK, profile->Read(L"Color", &garbage, nullptr));
        const VARTYPE expected = !value ? VT_EMPTY : value == stored[0] ? VT_BSTR : VT_ARRAY;
        EXPECT_EQ(expected, garbage.vt);
        if (garbage.vt == VT_BSTR) {
            EXPECT_EQ(std::wstring(L"blue"), garbage.bstrVal);
        }
        ole_value_clear(&garbage);
    }
    m_adapter->Initialize(nullptr);
    profile->Release();
}

TEST_F(ComAdapter, TheDispatchPartSetsTheTypeInformationItRefuses) {
    IDispatch* dispatch = part<IDispatch>(IID_IDispatch);
    ASSERT_NE(nullptr, dispatch);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(static_cast<uintptr_t>(0xA5A5A5A5));
    EXPECT_EQ(E_FAIL, dispatch->GetTypeInfo(0, 0, &info));
    EXPECT_EQ(nullptr, info);
    dispatch->Release();
}

TEST_F(ComAdapter, AClassThatCannotBeCreatedIsNotConnected) {
    EXPECT_FALSE(m_adapter->Connect(u"AddIn.NoSuchClass", nullptr));
    EXPECT_FALSE(m_adapter->IsComponentLoaded());
    m_adapter->SetLocale(u"ru");  // no object: nothing
    m_adapter->Disconnect();
}

// Whether COM is still initialised on the calling thread.
bool com_initialised() {
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    return CoGetApartmentType(&type, &qualifier) != CO_E_NOTINITIALIZED;
}

// Each Connect's CoInitialize is given back once, by Disconnect or by the adapter's end, on a
// thread that had no COM before.
TEST_F(ComAdapter, GivesBackTheComInitialisationOfEachConnect) {
    ASSERT_TRUE(com_test::register_fixture());
    nsCOMPtr<IComponentDef> second = m_browser->create<IComponentDef>(kAdapterContract);
    ASSERT_TRUE(second);
    IComponentDef* connected = m_adapter.forget().take();
    IComponentDef* unusable = second.forget().take();
    bool loaded = false, bareConnected = true, initialisedBetween = false;
    bool initialisedAfterDisconnect = true, initialisedAfterEnd = true;
    std::thread worker([&] {
        loaded = connected->Connect(u"AddIn.Probe", nullptr) && connected->IsComponentLoaded();
        connected->Disconnect();
        initialisedAfterDisconnect = com_initialised();
        connected->Release();
        // No init interface: not connected, though the object was made.
        bareConnected = unusable->Connect(u"AddIn.Bare", nullptr);
        initialisedBetween = com_initialised();
        unusable->Release();
        initialisedAfterEnd = com_initialised();
    });
    worker.join();
    EXPECT_TRUE(loaded);
    EXPECT_FALSE(initialisedAfterDisconnect);
    EXPECT_FALSE(bareConnected);
    EXPECT_TRUE(initialisedBetween);
    EXPECT_FALSE(initialisedAfterEnd);
}

TEST(HresultToNsresult, KeepsTheCodesThePageTellsApartAndFailsTheRest) {
    const struct {
        HRESULT hr;
        nsresult expected;
    } cases[] = {
        {S_OK, NS_OK},
        {E_NOTIMPL, 0x80004001},
        {E_NOINTERFACE, 0x80004002},
        {E_POINTER, 0x80070057},
        {E_INVALIDARG, 0x80070057},
        {E_ABORT, 0x80004004},
        {E_UNEXPECTED, 0x8000FFFF},
        {E_OUTOFMEMORY, 0x8007000E},
        {S_FALSE, NS_ERROR_FAILURE},
        {E_FAIL, NS_ERROR_FAILURE},
        {DISP_E_MEMBERNOTFOUND, NS_ERROR_FAILURE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, hresult_to_nsresult(c.hr)) << std::hex << c.hr;
    }
}

}  // namespace
}  // namespace velmor_test
