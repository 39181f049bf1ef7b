// The lifetimes of the Internet Explorer server's sites, as a compiled client of a copy of
// the server with the lifetime test add-in beside it: a site ended while its add-in calls
// back, an initialize re-entered from the add-in's Init, the libraries a site agrees to load,
// the event queue's records when the page lets go, and a listener replaced inside its call.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "quillon_ie.h"
#include "server_interfaces.h"
#include "com_ref.h"
#include "server_setup.h"

namespace {

using velmor_test::create;
using velmor_test::Ref;

// The directory of the server copy under test, with its separator.
std::wstring server_directory() {
    const std::wstring server = velmor_test::server_path();
    return server.substr(0, server.find_last_of(L"\\/") + 1);
}

// The add-in beside the server copy, under the add-in's configured file name.
std::wstring own_addin() { return server_directory() + L"VelmorPlovikWin64.dll"; }

// The lifetime add-in's controls, in the module the server loads.
struct Controls {
    void (*set)(int errorOnInit, int callbacksOnDone);
    long (*liveObjects)();
    long (*doneCalls)();
    int (*hostCallNow)();
};

const Controls& controls() {
    static const Controls c = [] {
        HMODULE addin = LoadLibraryW(own_addin().c_str());
        Controls found{};
        if (addin == nullptr) return found;
        found.set = reinterpret_cast<void (*)(int, int)>(
            reinterpret_cast<void*>(GetProcAddress(addin, "lifetime_set")));
        found.liveObjects = reinterpret_cast<long (*)()>(
            reinterpret_cast<void*>(GetProcAddress(addin, "lifetime_live_objects")));
        found.doneCalls = reinterpret_cast<long (*)()>(
            reinterpret_cast<void*>(GetProcAddress(addin, "lifetime_done_calls")));
        found.hostCallNow = reinterpret_cast<int (*)()>(
            reinterpret_cast<void*>(GetProcAddress(addin, "lifetime_host_call_now")));
        return found;
    }();
    return c;
}

// A page's listener: records the methods called (with an event's data), and lets a test act
// inside a call. It lives on the heap and counts its references, as a script object does;
// being destroyed while one of its own calls runs is recorded.
class Listener : public IDispatch {
public:
    Listener() = default;
    virtual ~Listener() {
        if (m_inCall) *m_destroyedInCall = true;
        *m_destroyed = true;
    }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --m_ref;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        for (size_t i = 0; i < kMethods.size(); ++i) {
            if (kMethods[i] == names[0]) {
                ids[0] = static_cast<DISPID>(i + 1);
                return S_OK;
            }
        }
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                        EXCEPINFO*, UINT*) override {
        const std::wstring& name = kMethods[static_cast<size_t>(id - 1)];
        m_inCall = true;
        m_calls.push_back(name);
        if (name == L"externalEvent" && params->cArgs == 3 && params->rgvarg[0].vt == VT_BSTR) {
            m_eventData.push_back(params->rgvarg[0].bstrVal);  // the last argument: data
        }
        if (m_onCall) m_onCall(name);
        // Touches the object after the test's action: a listener destroyed meanwhile is seen.
        m_inCall = false;
        return S_OK;
    }

    size_t count(const std::wstring& name) const {
        size_t n = 0;
        for (const std::wstring& call : m_calls) n += call == name ? 1 : 0;
        return n;
    }

    std::vector<std::wstring> m_calls;
    std::vector<std::wstring> m_eventData;
    std::function<void(const std::wstring&)> m_onCall;
    bool* m_destroyed = &m_ignored;
    bool* m_destroyedInCall = &m_ignored;

private:
    const std::vector<std::wstring> kMethods = {
        L"addError",  L"externalEvent", L"registerClassName", L"messageBox",
        L"queryBox",  L"getUserAgent",  L"getVersion",        L"setStatusLine"};
    std::atomic<ULONG> m_ref{1};
    bool m_inCall = false;
    bool m_ignored = false;
};

// Messages the loop below has dispatched: a drain's deliveries all see the same count.
unsigned g_dispatched = 0;

// Runs the thread's message loop (the service's timer) until `done` holds; false when `ms`
// passed first.
bool pump_until(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
            ++g_dispatched;
        }
    }
    return true;
}

// Runs the loop for `ms`.
void pump_for(DWORD ms) {
    const DWORD start = GetTickCount();
    pump_until([&] { return GetTickCount() - start >= ms; }, ms + 1);
}

HRESULT initialize(IAddInSite* site, const std::wstring& file) {
    BSTR clsid = SysAllocString(L"Lifetime");
    BSTR path = SysAllocStringLen(file.data(), static_cast<UINT>(file.size()));
    const HRESULT hr = site->initialize(clsid, 1, 2, path);
    SysFreeString(path);
    SysFreeString(clsid);
    return hr;
}

// A site made as a page's script makes one (not by the service), with `listener`.
HRESULT page_site(Listener* listener, Ref<IAddInSite>* site) {
    HRESULT hr = create(CLSID_AddInSite, IID_IAddInSite, site->putVoid());
    if (FAILED(hr)) return hr;
    Ref<quillon::ISiteEx> ex;
    hr = (*site)->QueryInterface(quillon::IID_ISiteEx, ex.putVoid());
    if (SUCCEEDED(hr)) hr = ex->setListener(listener);
    return hr;
}

// A service on this thread (its timer drains the queue) and a page's site with the add-in.
HRESULT service_and_site(Listener* listener, Ref<IDispatch>* service, Ref<IAddInSite>* site) {
    HRESULT hr = create(CLSID_AddInServiceEx, IID_IDispatch, service->putVoid());
    if (SUCCEEDED(hr)) hr = page_site(listener, site);
    if (SUCCEEDED(hr)) hr = initialize(site->get(), own_addin());
    return hr;
}

HRESULT call_method(IAddInSite* site, const wchar_t* method, long* answer = nullptr) {
    BSTR name = SysAllocString(method);
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = site->call(name, nullptr, &result);
    if (answer != nullptr && result.vt == VT_I4) *answer = result.lVal;
    VariantClear(&result);
    SysFreeString(name);
    return hr;
}

std::wstring site_name(IAddInSite* site) {
    BSTR name = nullptr;
    site->getName(&name);
    std::wstring text = name != nullptr ? name : L"";
    SysFreeString(name);
    return text;
}

class SiteLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(controls().set, nullptr) << "the lifetime add-in is not beside the server";
        controls().set(0, 0);
        m_listener = new Listener();
    }
    void TearDown() override {
        controls().set(0, 0);
        m_listener->Release();
        EXPECT_EQ(controls().liveObjects(), 0) << "an add-in object outlived its site";
    }
    Listener* m_listener = nullptr;
};

// The add-in's Done asks the dying site for boxes and the platform information: Done runs
// once, whether the page ends the site first or only lets it go.
TEST_F(SiteLifetime, ASiteWhoseAddInCallsBackFromDoneEndsOnce) {
    for (const bool endFirst : {true, false}) {
        SCOPED_TRACE(endFirst ? "done, then released" : "released only");
        controls().set(0, 1);
        const long doneBefore = controls().doneCalls();
        const size_t boxesBefore = m_listener->count(L"messageBox");
        {
            Ref<IAddInSite> site;
            ASSERT_EQ(page_site(m_listener, &site), S_OK);
            ASSERT_EQ(initialize(site.get(), own_addin()), S_OK);
            if (endFirst) {
                EXPECT_EQ(site->done(), S_OK);
            }
        }
        EXPECT_EQ(controls().doneCalls() - doneBefore, 1);
        EXPECT_EQ(m_listener->count(L"messageBox") - boxesBefore, 1u);
        EXPECT_EQ(controls().liveObjects(), 0);
    }
    EXPECT_EQ(m_listener->count(L"queryBox"), 2u);
    EXPECT_EQ(m_listener->count(L"getUserAgent"), 2u);
}

// The add-in's own timer on the page's thread sends an event outside any call into it, and the
// page ends the site in its answer, by done or by letting go of it: the add-in returns into a
// live object, and Done and the destruction follow once, from the page's message loop.
TEST_F(SiteLifetime, AnEventFromTheAddInsOwnTimerEndsTheSiteAfterItReturned) {
    ASSERT_NE(controls().hostCallNow, nullptr);
    for (const bool byRelease : {false, true}) {
        SCOPED_TRACE(byRelease ? "released" : "done");
        const long doneBefore = controls().doneCalls();
        Ref<IAddInSite> site;
        ASSERT_EQ(page_site(m_listener, &site), S_OK);
        ASSERT_EQ(initialize(site.get(), own_addin()), S_OK);
        bool answered = false;
        m_listener->m_onCall = [&](const std::wstring& name) {
            if (name != L"externalEvent" || answered) return;
            answered = true;
            if (byRelease) {
                site.reset();
            } else {
                site->done();
            }
        };
        EXPECT_EQ(controls().hostCallNow(), 1) << "the add-in returned into an object that was gone";
        m_listener->m_onCall = nullptr;
        EXPECT_EQ(controls().doneCalls(), doneBefore) << "Done ran inside the add-in's own call";
        EXPECT_TRUE(pump_until([] { return controls().liveObjects() == 0; }, 5000))
            << "the object's destruction";
        EXPECT_EQ(controls().doneCalls() - doneBefore, 1);
        site.reset();
        EXPECT_EQ(controls().doneCalls() - doneBefore, 1) << "Done again when the page let go";
    }
}

// The page initialises the same site again from the add-in's Init callback: the nested call
// fails and the first goes on to a loaded add-in, whose object ends with the site.
TEST_F(SiteLifetime, AnInitializeFromInsideTheFirstIsRefused) {
    controls().set(1, 0);
    Ref<IAddInSite> site;
    ASSERT_EQ(page_site(m_listener, &site), S_OK);
    HRESULT nested = S_OK;
    int nestedCalls = 0;
    m_listener->m_onCall = [&](const std::wstring& name) {
        if (name != L"addError" || nestedCalls++ != 0) return;
        nested = initialize(site.get(), own_addin());
    };
    EXPECT_EQ(initialize(site.get(), own_addin()), S_OK);
    m_listener->m_onCall = nullptr;
    EXPECT_EQ(nestedCalls, 1);
    EXPECT_TRUE(FAILED(nested)) << "the nested initialize succeeded";
    EXPECT_EQ(site_name(site.get()), L"Lifetime");
    EXPECT_EQ(controls().liveObjects(), 1);
    site.reset();
}

// What a site agrees to load, whoever asks: only the add-in file beside the server, however
// its path is spelled; any other file is refused before it is loaded.
TEST_F(SiteLifetime, ASiteLoadsOnlyTheAddInBesideTheServer) {
    const std::wstring own = own_addin();
    std::wstring upper = own;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    std::wstring slashes = own;
    for (wchar_t& c : slashes) c = c == L'\\' ? L'/' : c;
    wchar_t shortName[MAX_PATH] = {};
    GetShortPathNameW(own.c_str(), shortName, MAX_PATH);
    std::vector<std::wstring> accepted = {
        own, upper, slashes, server_directory() + L"sub\\..\\.\\VelmorPlovikWin64.dll"};
    if (shortName[0] != L'\0' && own != shortName) accepted.push_back(shortName);
    for (const std::wstring& path : accepted) {
        SCOPED_TRACE(velmor_test::narrow(path));
        Ref<IAddInSite> site;
        ASSERT_EQ(page_site(m_listener, &site), S_OK);
        EXPECT_EQ(initialize(site.get(), path), S_OK);
        EXPECT_EQ(site_name(site.get()), L"Lifetime");
    }

    const char* foreignPath = VELMOR_IE_FOREIGN_ADDIN;
    const std::wstring foreign =
        velmor_test::windows_path(std::wstring(foreignPath, foreignPath + strlen(foreignPath)));
    ASSERT_EQ(GetModuleHandleW(foreign.c_str()), nullptr);
    const std::vector<std::wstring> refused = {
        foreign,
        server_directory() + L"..\\stub\\VelmorPlovikWin64.dll",
        L"\\\\localhost\\share\\VelmorPlovikWin64.dll",
        L"//localhost/share/VelmorPlovikWin64.dll",
        L"VelmorPlovikWin64.dll",
        own + std::wstring(1, L'\0') + L"x",
        own + L"x",
        L""};
    for (const std::wstring& path : refused) {
        SCOPED_TRACE(velmor_test::narrow(path));
        Ref<IAddInSite> site;
        ASSERT_EQ(page_site(m_listener, &site), S_OK);
        EXPECT_TRUE(FAILED(initialize(site.get(), path)));
        EXPECT_EQ(site_name(site.get()), L"") << "the site loaded a library";
        EXPECT_EQ(GetModuleHandleW(foreign.c_str()), nullptr) << "the foreign library was loaded";
    }
}

// The page dropped its service and kept a site; the add-in's thread then sends events, which
// no timer on that thread will deliver: they are dropped, and the site and its add-in end as
// soon as the page lets the site go.
TEST_F(SiteLifetime, EventsForAThreadWithoutAServiceDoNotKeepTheSite) {
    Ref<IDispatch> service;
    Ref<IAddInSite> site;
    ASSERT_EQ(service_and_site(m_listener, &service, &site), S_OK);
    service.reset();
    EXPECT_EQ(call_method(site.get(), L"SendEvents"), S_OK);
    site.reset();
    EXPECT_EQ(controls().liveObjects(), 0) << "the queued events kept the site and its add-in";
    EXPECT_EQ(velmor_test::call_server_export("DllCanUnloadNow"), S_OK);
    EXPECT_EQ(m_listener->count(L"externalEvent"), 0u);
}

// Records queued while a drain delivers wait for a later one: the page's first event makes
// the add-in send three more, which arrive after the first three, from another run of the
// loop (another timer message) than the first event's, in order. (A drain may also end
// sooner, after its slice of time, when the first event's call took long.)
TEST_F(SiteLifetime, ADrainDeliversOnlyWhatWasQueuedWhenItBegan) {
    Ref<IDispatch> service;
    Ref<IAddInSite> site;
    ASSERT_EQ(service_and_site(m_listener, &service, &site), S_OK);
    std::vector<unsigned> dispatches;
    m_listener->m_onCall = [&](const std::wstring& name) {
        if (name != L"externalEvent") return;
        dispatches.push_back(g_dispatched);
        if (dispatches.size() == 1) call_method(site.get(), L"SendEvents");
    };
    ASSERT_EQ(call_method(site.get(), L"SendEvents"), S_OK);
    ASSERT_TRUE(pump_until([&] { return dispatches.size() >= 6; }, 5000))
        << dispatches.size() << " of 6 events within 5 s";
    m_listener->m_onCall = nullptr;
    EXPECT_EQ(m_listener->m_eventData,
              (std::vector<std::wstring>{L"1", L"2", L"3", L"1", L"2", L"3"}));
    ASSERT_EQ(dispatches.size(), 6u);
    EXPECT_GT(dispatches[3], dispatches[0]) << "events queued during a drain came in the same one";
}

// The page lets its service and its site go from inside a delivery while the add-in's thread
// goes on sending: nothing more reaches the page, and the add-in ends.
TEST_F(SiteLifetime, NothingIsDeliveredAfterThePageLetsGo) {
    Ref<IDispatch> service;
    Ref<IAddInSite> site;
    ASSERT_EQ(service_and_site(m_listener, &service, &site), S_OK);
    size_t atRelease = 0;
    m_listener->m_onCall = [&](const std::wstring& name) {
        if (name != L"externalEvent" || site.get() == nullptr) return;
        atRelease = m_listener->count(L"externalEvent");
        service.reset();
        site.reset();
    };
    ASSERT_EQ(call_method(site.get(), L"StartEvents"), S_OK);
    ASSERT_TRUE(pump_until([&] { return site.get() == nullptr; }, 5000)) << "no event within 5 s";
    pump_for(100);
    m_listener->m_onCall = nullptr;
    EXPECT_EQ(m_listener->count(L"externalEvent") - atRelease, 0u)
        << "events delivered after the page let its service and site go";
    EXPECT_EQ(controls().liveObjects(), 0);
}

// A listener held by nothing but the site replaces itself from inside its own call, on the
// page's thread and from a queued delivery: it stays alive until its call has returned.
TEST_F(SiteLifetime, AListenerReplacedInsideItsOwnCallLivesUntilItReturns) {
    Ref<IDispatch> service;  // its timer delivers the queued record
    ASSERT_EQ(create(CLSID_AddInServiceEx, IID_IDispatch, service.putVoid()), S_OK);
    for (const bool queued : {false, true}) {
        SCOPED_TRACE(queued ? "queued delivery" : "direct call");
        Ref<quillon::ISiteEx> site;
        ASSERT_EQ(create(CLSID_AddInSite, quillon::IID_ISiteEx, site.putVoid()), S_OK);
        bool destroyed = false, destroyedInCall = false;
        Listener* first = new Listener();
        first->m_destroyed = &destroyed;
        first->m_destroyedInCall = &destroyedInCall;
        first->m_onCall = [&](const std::wstring&) { site->setListener(m_listener); };
        site->setListener(first);
        first->Release();  // the site's reference is the only one
        if (queued) {
            Ref<quillon::IInnerListener> inner;
            ASSERT_EQ(site->QueryInterface(quillon::IID_IInnerListener, inner.putVoid()), S_OK);
            std::thread([&] {
                inner->ExternalEvent(SysAllocString(L"src"), SysAllocString(L"msg"),
                                     SysAllocString(L"1"));
            }).join();
            EXPECT_TRUE(pump_until([&] { return destroyed; }, 5000)) << "no delivery within 5 s";
        } else {
            BSTR key = SysAllocString(L"key");
            EXPECT_EQ(site->registerClassName(key), S_OK);
            SysFreeString(key);
        }
        EXPECT_TRUE(destroyed) << "the replaced listener was never released";
        EXPECT_FALSE(destroyedInCall) << "the listener was destroyed inside its own call";
        site->setListener(nullptr);
    }
}

}  // namespace
