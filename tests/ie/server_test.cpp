// The server's objects through their interfaces, as a compiled client: what each class
// answers to QueryInterface, dispatch from the embedded type library, ButtonIE, the two
// operations outside the type library, sites without an adapter, and the event queue.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "com_addin_interfaces.h"
#include "com_ref.h"
#include "fixture_library.h"
#include "garbage_variant.h"
#include "quillon_ie.h"
#include "server_interfaces.h"
#include "server_setup.h"

namespace {

using velmor_test::narrow;

using velmor_test::create;
using velmor_test::Ref;

void* interface_of(IUnknown* object, REFIID iid) {
    void* out = nullptr;
    if (FAILED(object->QueryInterface(iid, &out))) return nullptr;
    static_cast<IUnknown*>(out)->Release();
    return out;
}

IUnknown* identity(IUnknown* object) { return static_cast<IUnknown*>(interface_of(object, IID_IUnknown)); }

struct Answers {
    const char* what;
    const CLSID* clsid;
    std::vector<const IID*> answered;
    std::vector<const IID*> refused;
};

TEST(QueryInterface, EachClassAnswersItsOwnInterfacesOnly) {
    const Answers classes[] = {
        {"AddInServiceEx", &CLSID_AddInServiceEx,
         {&IID_IDispatch, &quillon::IID_IAddInServiceExFull},
         {&IID_IAddInServiceEx, &IID_IAddInSite, &quillon::IID_ISiteEx}},
        {"AddInSite", &CLSID_AddInSite,
         {&IID_IAddInSite, &IID_IDispatch, &quillon::IID_IInnerListener, &quillon::IID_ISiteEx},
         {&IID_IAddInServiceEx, &quillon::IID_IContext}},
        {"AdapterNative", &CLSID_AdapterNative,
         {&IID_IAdapterNative, &IID_IDispatch, &quillon::IID_IContext, &quillon::IID_IAdapterDefBase},
         {&IID_IAdapterCOM, &quillon::IID_IInnerListener}},
        {"AdapterCOM", &CLSID_AdapterCOM,
         {&IID_IAdapterCOM, &IID_IDispatch, &quillon::IID_IContext, &quillon::IID_IAdapterDefBase,
          &com_addin::IID_IAsyncEvent, &com_addin::IID_IStatusLine,
          &com_addin::IID_IPropertyProfile, &IID_IErrorLog, &com_addin::IID_IExtWndsSupport,
          &com_addin::IID_IMsgBox, &com_addin::IID_IPlatformInfo},
         {&IID_IAdapterNative, &IID_IPropertyBag}},
        {"ButtonIE", &quillon::CLSID_ButtonIE, {&quillon::IID_IButtonIE, &IID_IDispatch},
         {&IID_IAddInSite}},
    };
    for (const Answers& c : classes) {
        Ref<IUnknown> object;
        ASSERT_EQ(create(*c.clsid, IID_IUnknown, object.putVoid()), S_OK) << c.what;
        for (const IID* iid : c.answered) {
            void* found = interface_of(object.get(), *iid);
            ASSERT_NE(found, nullptr) << c.what;
            EXPECT_EQ(identity(static_cast<IUnknown*>(found)), object.get()) << c.what;
        }
        for (const IID* iid : c.refused) EXPECT_EQ(interface_of(object.get(), *iid), nullptr) << c.what;
    }
    // The service's IDispatch and its full table are the same object.
    Ref<IUnknown> service;
    ASSERT_EQ(create(CLSID_AddInServiceEx, IID_IUnknown, service.putVoid()), S_OK);
    EXPECT_EQ(interface_of(service.get(), IID_IDispatch),
              interface_of(service.get(), quillon::IID_IAddInServiceExFull));
}

// An outer object that counts the references its inner object takes on it.
class Outer : public IUnknown {
public:
    virtual ~Outer() = default;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return m_inner != nullptr ? m_inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override { return --m_ref; }
    IUnknown* m_inner = nullptr;
    ULONG m_ref = 1;
};

TEST(Aggregation, TheInnerObjectDelegatesToItsOuter) {
    Outer outer;
    ASSERT_EQ(CoCreateInstance(CLSID_AddInSite, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&outer.m_inner)),
              S_OK);
    IAddInSite* site = nullptr;
    ASSERT_EQ(outer.m_inner->QueryInterface(IID_IAddInSite, reinterpret_cast<void**>(&site)), S_OK);
    EXPECT_EQ(outer.m_ref, 2u) << "the interface counts on the outer object";
    IUnknown* back = nullptr;
    ASSERT_EQ(site->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, &outer) << "identity is the outer object's";
    back->Release();
    site->Release();
    EXPECT_EQ(outer.m_ref, 1u);
    outer.m_inner->Release();
}

TEST(Dispatch, AnsweredFromTheEmbeddedTypeLibrary) {
    Ref<IDispatch> service;
    ASSERT_EQ(create(CLSID_AddInServiceEx, IID_IDispatch, service.putVoid()), S_OK);
    const wchar_t* names[] = {L"init", L"loadAddIn", L"createInstance", L"releaseObject",
                              L"setLocale"};
    for (DISPID expected = 1; expected <= 5; ++expected) {
        LPOLESTR name = const_cast<LPOLESTR>(names[expected - 1]);
        DISPID id = 0;
        EXPECT_EQ(service->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << narrow(name);
        EXPECT_EQ(id, expected) << narrow(name);
    }
    LPOLESTR hidden = const_cast<LPOLESTR>(L"makeTempLibraryName");
    DISPID id = 0;
    EXPECT_NE(service->GetIDsOfNames(IID_NULL, &hidden, 1, 0, &id), S_OK)
        << "only compiled clients reach it";
    UINT count = 0;
    EXPECT_EQ(service->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    Ref<ITypeInfo> info;
    ASSERT_EQ(service->GetTypeInfo(0, 0, info.put()), S_OK);
    Ref<ITypeLib> library;
    UINT index = 0;
    ASSERT_EQ(info->GetContainingTypeLib(library.put(), &index), S_OK);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_QuillonIELib));
    EXPECT_EQ(attributes->lcid, 0x409u);
    EXPECT_EQ(attributes->syskind, SYS_WIN64);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attributes);
    BSTR help = nullptr;
    library->GetDocumentation(-1, nullptr, &help, nullptr, nullptr);
    EXPECT_EQ(narrow(help ? help : L""), "VelmorQuillonIE 1.0 Type Library");
    SysFreeString(help);
    EXPECT_EQ(library->GetTypeInfoCount(), 8u) << "four interfaces and four classes";
    Ref<ITypeInfo> button;
    EXPECT_NE(library->GetTypeInfoOfGuid(quillon::CLSID_ButtonIE, button.put()), S_OK);
    // A late-bound call goes through the vtable.
    Ref<IDispatch> site;
    ASSERT_EQ(create(CLSID_AddInSite, IID_IDispatch, site.putVoid()), S_OK);
    LPOLESTR getVersion = const_cast<LPOLESTR>(L"getVersion");
    ASSERT_EQ(site->GetIDsOfNames(IID_NULL, &getVersion, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 8);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(site->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, -1);
}

TEST(ButtonIE, KeepsTwoValuesForVtableClients) {
    Ref<quillon::IButtonIE> button;
    ASSERT_EQ(create(quillon::CLSID_ButtonIE, quillon::IID_IButtonIE, button.putVoid()), S_OK);
    VARIANT first, second, out;
    VariantInit(&out);
    ASSERT_EQ(button->getFirst(&out), S_OK);
    EXPECT_EQ(out.vt, VT_EMPTY);
    VariantInit(&first);
    first.vt = VT_I4;
    first.lVal = 7;
    VariantInit(&second);
    second.vt = VT_BSTR;
    second.bstrVal = SysAllocString(L"two");
    ASSERT_EQ(button->setValues(first, second), S_OK);
    VariantClear(&second);
    ASSERT_EQ(button->getFirst(&out), S_OK);
    EXPECT_EQ(out.vt, VT_I4);
    EXPECT_EQ(out.lVal, 7);
    ASSERT_EQ(button->getSecond(&out), S_OK);
    ASSERT_EQ(out.vt, VT_BSTR);
    EXPECT_EQ(narrow(out.bstrVal), "two");
    VariantClear(&out);
    LPOLESTR name = const_cast<LPOLESTR>(L"getFirst");
    DISPID id = 0;
    EXPECT_NE(button->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << "no names late-bound";
}

TEST(Service, MakesATemporaryLibraryNameAndLeavesNoFile) {
    Ref<quillon::IAddInServiceExFull> service;
    ASSERT_EQ(create(CLSID_AddInServiceEx, quillon::IID_IAddInServiceExFull, service.putVoid()), S_OK);
    BSTR name = nullptr;
    ASSERT_EQ(service->makeTempLibraryName(&name), S_OK);
    const std::string text = narrow(name);
    // Windows writes the digits in upper case, Wine in lower case.
    EXPECT_TRUE(std::regex_match(text, std::regex("ZKT[0-9A-Fa-f]+\\.dll"))) << text;
    wchar_t directory[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, directory);
    const std::wstring stem = std::wstring(directory) + std::wstring(name).substr(0, text.size() - 4);
    EXPECT_EQ(GetFileAttributesW((stem + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((stem + L".dll").c_str()), INVALID_FILE_ATTRIBUTES);
    SysFreeString(name);
    EXPECT_EQ(service->reserved(), E_NOTIMPL);
}

void set_text(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

TEST(Service, FindsARecentFileThatStillExists) {
    wchar_t directory[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, directory);
    const std::wstring kept = std::wstring(directory) + L"velmor_recent_scan.txt";
    const std::wstring gone = std::wstring(directory) + L"old\\velmor_recent_scan.txt";
    HANDLE file = CreateFileW(kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    HKEY history = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER,
                              L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\"
                              L"OpenSaveMRU\\txt",
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &history, nullptr),
              ERROR_SUCCESS);
    set_text(history, L"MRUList", L"ba");  // the newest first: b (gone), then a (kept)
    set_text(history, L"a", kept);
    set_text(history, L"b", gone);
    RegCloseKey(history);

    Ref<quillon::IAddInServiceExFull> service;
    ASSERT_EQ(create(CLSID_AddInServiceEx, quillon::IID_IAddInServiceExFull, service.putVoid()), S_OK);
    VARIANT unused;
    VariantInit(&unused);
    BSTR wanted = SysAllocString(L"recent_scan.txt");
    BSTR path = nullptr;
    EXPECT_EQ(service->findRecentFile(wanted, unused, &path), S_OK);
    EXPECT_EQ(narrow(path ? path : L""), narrow(kept));
    SysFreeString(path);
    SysFreeString(wanted);
    wanted = SysAllocString(L"nothing_like_it.txt");
    path = nullptr;
    EXPECT_EQ(service->findRecentFile(wanted, unused, &path), static_cast<HRESULT>(0x80070003));
    EXPECT_EQ(path, nullptr);
    SysFreeString(wanted);
    DeleteFileW(kept.c_str());
}

// A page's listener as a compiled object: records the method names it is called with and
// the thread of each call.
class Listener : public IDispatch {
public:
    virtual ~Listener() = default;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override { return --m_ref; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        m_names.push_back(names[0]);
        ids[0] = static_cast<DISPID>(m_names.size());
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        m_calls.push_back(m_names[static_cast<size_t>(id - 1)]);
        m_threads.push_back(GetCurrentThreadId());
        return S_OK;
    }
    std::atomic<ULONG> m_ref{1};
    std::vector<std::wstring> m_names;
    std::vector<std::wstring> m_calls;
    std::vector<DWORD> m_threads;
};

void pump_for(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
}

// Waits, running the loop, until `done` holds; false when `ms` passed first.
template <class F>
bool pump_until(F done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms) return false;
        pump_for(5);
    }
    return true;
}

HRESULT queue_event_from_another_thread(quillon::IInnerListener* site) {
    HRESULT hr = E_FAIL;
    std::thread([&] {
        hr = site->ExternalEvent(SysAllocString(L"src"), SysAllocString(L"msg"),
                                 SysAllocString(L"data"));
    }).join();
    return hr;
}

TEST(Site, WithoutAnAdapterEveryOperationFailsCleanly) {
    Ref<quillon::IAddInSiteFull> site;
    ASSERT_EQ(create(CLSID_AddInSite, IID_IAddInSite, site.putVoid()), S_OK);
    BSTR name = SysAllocString(L"Value");
    VARIANT value;
    VariantInit(&value);
    EXPECT_TRUE(FAILED(site->getPropertyValue(name, &value)));
    EXPECT_TRUE(FAILED(site->setPropertyValue(name, &value)));
    EXPECT_TRUE(FAILED(site->call(name, &value, &value)));
    EXPECT_EQ(site->done(), S_OK);
    EXPECT_EQ(site->done(), S_OK);
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(site->getObject(&object), S_OK);
    EXPECT_EQ(object, nullptr);
    BSTR file = SysAllocString(L"x.dll");
    EXPECT_EQ(site->initialize(name, 1, 3, file), E_NOTIMPL);
    EXPECT_TRUE(FAILED(site->getPropertyValue(name, &value))) << "still no adapter";
    // A native adapter with a library that cannot be loaded leaves none either.
    EXPECT_TRUE(FAILED(site->initialize(name, 1, 2, file)));
    EXPECT_TRUE(FAILED(site->call(name, &value, &value)));
    SysFreeString(file);
    SysFreeString(name);
}

TEST(Site, CallbacksFromOtherThreadsWaitForTheTimerOnTheHomeThread) {
    Ref<IDispatch> service;  // its timer drains the queue here
    ASSERT_EQ(create(CLSID_AddInServiceEx, IID_IDispatch, service.putVoid()), S_OK);
    Ref<quillon::ISiteEx> site;
    ASSERT_EQ(create(CLSID_AddInSite, quillon::IID_ISiteEx, site.putVoid()), S_OK);
    Listener listener;
    site->setListener(&listener);
    Ref<quillon::IInnerListener> inner;
    ASSERT_EQ(site->QueryInterface(quillon::IID_IInnerListener, inner.putVoid()), S_OK);
    ASSERT_EQ(queue_event_from_another_thread(inner.get()), S_OK);
    EXPECT_TRUE(listener.m_calls.empty()) << "delivered before a tick";
    ASSERT_TRUE(pump_until([&] { return !listener.m_calls.empty(); }, 5000))
        << "no externalEvent within 5 s of running the loop";
    EXPECT_EQ(narrow(listener.m_calls[0]), "externalEvent");
    EXPECT_EQ(listener.m_threads[0], GetCurrentThreadId());
    // A profile read from another thread is refused and the page is not asked.
    HRESULT read = S_OK;
    std::thread([&] {
        VARIANT value;
        VariantInit(&value);
        read = inner->Read(SysAllocString(L"key"), &value, nullptr, nullptr);
    }).join();
    EXPECT_EQ(read, E_FAIL);
    EXPECT_EQ(listener.m_calls.size(), 1u);
    // On the home thread without a listener: E_FAIL.
    site->setListener(nullptr);
    EXPECT_EQ(inner->ExternalEvent(SysAllocString(L"a"), SysAllocString(L"b"), nullptr), E_FAIL);
}

// Another page's thread with its own service and a site whose listener is `listener`: an
// event is queued for it from a reader thread; then the page waits for `go` (without running
// its loop), runs its loop until the event came or `ms` passed, and goes away.
void other_page(Listener* listener, HANDLE go, DWORD ms, DWORD* thread) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    *thread = GetCurrentThreadId();
    {
        Ref<IDispatch> service;
        Ref<quillon::ISiteEx> site;
        if (SUCCEEDED(create(CLSID_AddInServiceEx, IID_IDispatch, service.putVoid())) &&
            SUCCEEDED(create(CLSID_AddInSite, quillon::IID_ISiteEx, site.putVoid()))) {
            site->setListener(listener);
            Ref<quillon::IInnerListener> inner;
            site->QueryInterface(quillon::IID_IInnerListener, inner.putVoid());
            queue_event_from_another_thread(inner.get());
            WaitForSingleObject(go, 10000);
            pump_until([&] { return !listener->m_calls.empty(); }, ms);
        }
    }
    CoUninitialize();
}

TEST(Site, RecordsAreDeliveredOnlyOnTheirOwnPagesThread) {
    Ref<IDispatch> ownService;  // this thread's page, whose timer runs
    ASSERT_EQ(create(CLSID_AddInServiceEx, IID_IDispatch, ownService.putVoid()), S_OK);
    Listener listener;
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD pageThread = 0;
    std::thread page(other_page, &listener, go, 5000, &pageThread);
    // This thread's ticks leave the other page's record alone...
    pump_for(200);
    EXPECT_TRUE(listener.m_calls.empty()) << "delivered on another page's thread";
    // ...and that page's own timer delivers it there.
    SetEvent(go);
    page.join();
    CloseHandle(go);
    ASSERT_EQ(listener.m_calls.size(), 1u) << "the other page never got its event";
    EXPECT_EQ(listener.m_threads[0], pageThread);
}

TEST(Site, RecordsOfAPageThatIsGoneAreDroppedNotDelivered) {
    Ref<IDispatch> ownService;
    ASSERT_EQ(create(CLSID_AddInServiceEx, IID_IDispatch, ownService.putVoid()), S_OK);
    Listener listener;
    HANDLE go = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    DWORD pageThread = 0;
    // The page goes away at once, its event still queued.
    std::thread page(other_page, &listener, go, 0, &pageThread);
    page.join();
    CloseHandle(go);
    pump_for(100);
    EXPECT_TRUE(listener.m_calls.empty()) << "delivered after its page was gone";
    EXPECT_EQ(listener.m_ref.load(), 1u) << "the record still holds the site and its listener";
}

// A site of kind 1 with `listener`, connected to the fixture's Probe object.
HRESULT connect_probe(Listener* listener, long getInfo, Ref<IAddInSite>* site) {
    HRESULT hr = create(CLSID_AddInSite, IID_IAddInSite, site->putVoid());
    if (FAILED(hr)) return hr;
    Ref<quillon::ISiteEx> ex;
    hr = (*site)->QueryInterface(quillon::IID_ISiteEx, ex.putVoid());
    if (FAILED(hr)) return hr;
    ex->setListener(listener);
    BSTR progId = SysAllocString(L"AddIn.Probe");
    hr = (*site)->initialize(progId, getInfo, 1, nullptr);
    SysFreeString(progId);
    return hr;
}

// A site of kind 1 connects the COM add-in fixture's object through AdapterCOM; when the site
// is done and released, every reference on the object and on the adapter has gone, once.
TEST(AdapterCOM, DisconnectionReleasesEveryReferenceOnce) {
    ASSERT_TRUE(com_test::register_fixture());
    const com_test::FixtureLibrary& fixture = com_test::FixtureLibrary::instance();
    fixture.reset();
    Listener listener;
    {
        Ref<IAddInSite> site;
        EXPECT_EQ(connect_probe(&listener, 1, &site), S_OK);
        Ref<quillon::ISiteEx> ex;
        ASSERT_EQ(site->QueryInterface(quillon::IID_ISiteEx, ex.putVoid()), S_OK);
        long version = 0;
        EXPECT_EQ(site->getVersion(&version), S_OK);
        EXPECT_EQ(version, 2100);
        EXPECT_EQ(fixture.counters().liveObjects, 1);
        EXPECT_EQ(fixture.counters().connectionRefs, 2) << "Init's two references on the adapter";
        EXPECT_EQ(site->done(), S_OK);
        EXPECT_EQ(fixture.counters().liveObjects, 0);
        EXPECT_EQ(fixture.counters().objectRefs, 0);
        EXPECT_EQ(fixture.counters().connectionRefs, 0);
        ex->setListener(nullptr);
    }
    EXPECT_EQ(fixture.journal(), L"Init;GetInfo;RegisterExtensionAs;Done;");
    EXPECT_EQ(listener.m_ref.load(), 1u);
}

// A page that drops its site without calling done (the service's records go the same way):
// the site's last release disconnects the add-in and frees the site itself.
TEST(AdapterCOM, ReleasingTheSiteDisconnectsTheAddIn) {
    ASSERT_TRUE(com_test::register_fixture());
    const com_test::FixtureLibrary& fixture = com_test::FixtureLibrary::instance();
    fixture.reset();
    Listener listener;
    {
        Ref<IAddInSite> site;
        EXPECT_EQ(connect_probe(&listener, 0, &site), S_OK);
        EXPECT_EQ(fixture.counters().liveObjects, 1);
    }
    EXPECT_EQ(fixture.counters().liveObjects, 0) << "the add-in outlived its site";
    EXPECT_EQ(fixture.counters().objectRefs, 0);
    EXPECT_EQ(fixture.counters().connectionRefs, 0);
    EXPECT_EQ(listener.m_ref.load(), 1u) << "the site was never destroyed";
}

// A page's listener that acts inside its calls, as a page's handler may.
class ActingListener : public Listener {
public:
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* info, UINT* argError) override {
        const HRESULT hr = Listener::Invoke(id, iid, lcid, flags, params, result, info, argError);
        if (m_onCall) m_onCall(m_calls.back());
        return hr;
    }
    std::function<void(const std::wstring&)> m_onCall;
};

// The add-in's own timer on the page's thread makes a host call outside any call into it (an
// event the site delivers at once, or a profile read the page answers), and the page ends the
// site in its answer, by done or by letting go of it: the add-in returns into a live object,
// and its disconnection (Done, then the releases) runs once afterwards, from the page's loop.
TEST(AdapterCOM, AnOwnHostCallWhoseAnswerEndsTheSiteReturnsIntoALiveAddIn) {
    ASSERT_TRUE(com_test::register_fixture());
    const com_test::FixtureLibrary& fixture = com_test::FixtureLibrary::instance();
    struct Case {
        const char* what;
        long kind;
        const wchar_t* answer;
        bool byRelease;
    };
    const Case cases[] = {
        {"an event, ended by done", 0, L"externalEvent", false},
        {"an event, ended by release", 0, L"externalEvent", true},
        {"a profile read, ended by done", 1, L"readValue", false},
        {"a profile read, ended by release", 1, L"readValue", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fixture.reset();
        ActingListener listener;
        Ref<IAddInSite> site;
        ASSERT_EQ(connect_probe(&listener, 0, &site), S_OK);
        int answers = 0;
        listener.m_onCall = [&](const std::wstring& name) {
            if (name != c.answer || answers++ != 0) return;
            if (c.byRelease) {
                site.reset();
            } else {
                site->done();
            }
        };
        EXPECT_EQ(fixture.hostCallNow(c.kind), 1)
            << "the add-in returned into an object that was gone";
        listener.m_onCall = nullptr;
        EXPECT_EQ(answers, 1);
        EXPECT_EQ(fixture.journal(), L"Init;RegisterExtensionAs;OwnHostCall;OwnHostCallReturned(ok);")
            << "Done ran inside the add-in's own call";
        EXPECT_TRUE(pump_until([&] { return fixture.counters().liveObjects == 0; }, 5000))
            << "the object's disconnection on the page's loop within 5 s";
        site.reset();
        EXPECT_EQ(fixture.journal(),
                  L"Init;RegisterExtensionAs;OwnHostCall;OwnHostCallReturned(ok);Done;");
        EXPECT_EQ(fixture.counters().objectRefs, 0);
        EXPECT_EQ(fixture.counters().connectionRefs, 0);
        EXPECT_EQ(listener.m_ref.load(), 1u) << "the site was never destroyed";
    }
}

// A site's callback part that holds an event from another thread for up to `kHoldMs`, and
// notes whether the adapter's done returned meanwhile (the site may go once done has
// returned). Its other callbacks are not used.
class HoldingSite : public quillon::IInnerListener {
public:
    static constexpr DWORD kHoldMs = 500;
    HoldingSite()
        : m_entered(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_doneReturned(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    virtual ~HoldingSite() {
        CloseHandle(m_entered);
        CloseHandle(m_doneReturned);
    }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, quillon::IID_IInnerListener)) {
            *out = static_cast<quillon::IInnerListener*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SetEventBufferDepth(long) override { return S_OK; }
    STDMETHODIMP GetEventBufferDepth(long*) override { return S_OK; }
    STDMETHODIMP CleanEventBuffer() override { return S_OK; }
    STDMETHODIMP ExternalEvent(BSTR source, BSTR message, BSTR data) override {
        SysFreeString(source);
        SysFreeString(message);
        SysFreeString(data);
        SetEvent(m_entered);
        m_doneMeanwhile = WaitForSingleObject(m_doneReturned, kHoldMs) == WAIT_OBJECT_0;
        return S_OK;
    }
    STDMETHODIMP AddError(unsigned short, BSTR, BSTR, long) override { return E_NOTIMPL; }
    STDMETHODIMP Read(BSTR, VARIANT*, long*, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP Write(BSTR, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP RegisterProfileAs(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusLine(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP ResetStatusLine() override { return E_NOTIMPL; }

    const HANDLE m_entered;
    const HANDLE m_doneReturned;
    std::atomic<bool> m_doneMeanwhile{false};
};

HRESULT event_from_another_thread(com_addin::IAsyncEvent* events) {
    HRESULT hr = S_OK;
    BSTR text = SysAllocString(L"late");
    std::thread([&] { hr = events->ExternalEvent(text, text, text); }).join();
    SysFreeString(text);
    return hr;
}

// An add-in's thread may be passing an event to the site while the page ends the add-in: the
// adapter's done returns only once that event has left the site, and later events are refused.
TEST(AdapterCOM, DoneWaitsForAnEventAnotherThreadIsPassingToTheSite) {
    HoldingSite site;
    Ref<quillon::IAdapterDefBase> adapter;
    ASSERT_EQ(create(CLSID_AdapterCOM, quillon::IID_IAdapterDefBase, adapter.putVoid()), S_OK);
    ASSERT_EQ(adapter->setSite(&site), S_OK);
    Ref<com_addin::IAsyncEvent> events;
    ASSERT_EQ(adapter->QueryInterface(com_addin::IID_IAsyncEvent, events.putVoid()), S_OK);
    BSTR text = SysAllocString(L"held");
    HRESULT sent = E_FAIL;
    std::thread sender([&] { sent = events->ExternalEvent(text, text, text); });
    const DWORD entered = WaitForSingleObject(site.m_entered, 5000);
    EXPECT_EQ(entered, WAIT_OBJECT_0) << "the event did not reach the site within 5 s";
    EXPECT_EQ(adapter->done(), S_OK);
    SetEvent(site.m_doneReturned);
    sender.join();
    SysFreeString(text);
    EXPECT_FALSE(site.m_doneMeanwhile.load())
        << "done returned while another thread's event was still in the site";
    EXPECT_EQ(sent, S_OK);
    EXPECT_EQ(event_from_another_thread(events.get()), E_FAIL) << "an event after done";
}

// A page that answers every box with Yes.
class YesListener : public Listener {
public:
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* info, UINT* argError) override {
        if (result != nullptr) {
            VariantInit(result);
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_TRUE;
        }
        return Listener::Invoke(id, iid, lcid, flags, params, result, info, argError);
    }
};

// The add-in's VARIANT for the answer of a box may be uninitialised memory: the adapter
// stores the page's answer there without clearing what the memory held.
TEST(AdapterCOM, ConfirmStoresTheAnswerWithoutReadingTheAddInsVariant) {
    YesListener listener;
    Ref<IAddInSite> site;
    ASSERT_EQ(create(CLSID_AddInSite, IID_IAddInSite, site.putVoid()), S_OK);
    Ref<quillon::ISiteEx> ex;
    ASSERT_EQ(site->QueryInterface(quillon::IID_ISiteEx, ex.putVoid()), S_OK);
    ex->setListener(&listener);
    Ref<quillon::IAdapterDefBase> adapter;
    ASSERT_EQ(create(CLSID_AdapterCOM, quillon::IID_IAdapterDefBase, adapter.putVoid()), S_OK);
    ASSERT_EQ(adapter->setSite(site.get()), S_OK);
    Ref<com_addin::IMsgBox> boxes;
    ASSERT_EQ(adapter->QueryInterface(com_addin::IID_IMsgBox, boxes.putVoid()), S_OK);
    BSTR text = SysAllocString(L"Go?");
    for (VARTYPE vt : com_test::kGarbageTypes) {
        com_test::Tripwire tripwire;
        VARIANT answer = com_test::garbage_variant(vt, tripwire);
        EXPECT_EQ(boxes->Confirm(text, &answer), S_OK) << "garbage of type " << vt;
        EXPECT_EQ(answer.vt, VT_BOOL) << "garbage of type " << vt;
        EXPECT_EQ(answer.boolVal, VARIANT_TRUE) << "garbage of type " << vt;
        EXPECT_EQ(tripwire.releases(), 0) << "Confirm cleared what the add-in's memory held";
    }
    SysFreeString(text);
    EXPECT_EQ(listener.m_calls, std::vector<std::wstring>(3, L"queryBox"));
    EXPECT_EQ(adapter->done(), S_OK);
    ex->setListener(nullptr);
}

}  // namespace
