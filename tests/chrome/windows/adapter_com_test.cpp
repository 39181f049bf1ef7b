// The COM adapter in process (under Wine), without an add-in: the interfaces it answers as a
// connection object, its answers with and without a site, the message boxes through their
// answerer, the platform record, its end when the site and the add-in let it go, the
// VARIANTs it fills without reading them, and its answers when memory runs out.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>

#include "adapter_com_win.h"
#include "addin_site.h"
#include "com_addins.h"
#include "failing_allocations.h"
#include "garbage_variant.h"
#include "frame_output.h"
#include "host_globals.h"
#include "message_box.h"
#include "object_holder.h"

namespace {

using namespace com_addin;

bool g_answer = false;
int g_asked = 0;
MessageBoxKind g_kind = eMessageBoxOk;

bool answer_box(const UnicodeString&, MessageBoxKind kind) {
    ++g_asked;
    g_kind = kind;
    return g_answer;
}

template <class T>
T* query(IUnknown* object, REFIID iid) {
    void* out = nullptr;
    return SUCCEEDED(object->QueryInterface(iid, &out)) ? static_cast<T*>(out) : nullptr;
}

class ComAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        g_asked = 0;
        set_message_box_answerer(answer_box);
        adapter = static_cast<AdapterCOM*>(create_com_adapter());
        connection = static_cast<IAdapterCOM*>(adapter);
    }
    void TearDown() override {
        if (adapter != nullptr) adapter->destroy();
        EXPECT_EQ(0, AdapterCOM::liveObjects()) << "the site's reference was the last one";
        if (site != nullptr) ObjectHolder::get().remove(site->get_id());
        set_message_box_answerer(nullptr);
        SysFreeString(text);
    }
    void withSite() {
        site = new AddInSite();  // the registry owns it
        adapter->initialize(site);
    }

    AdapterCOM* adapter = nullptr;
    IUnknown* connection = nullptr;
    AddInSite* site = nullptr;
    BSTR text = SysAllocString(L"Go?");
};

TEST_F(ComAdapter, AnswersTheConnectionInterfacesAndNoOthers) {
    const IID* answered[] = {&IID_IUnknown,         &IID_IDispatch,     &IID_IAdapterCOM,
                             &IID_IAsyncEvent,      &IID_IStatusLine,   &IID_IPropertyProfile,
                             &IID_IContext,         &IID_IErrorLog,     &IID_IExtWndsSupport,
                             &IID_IMsgBox,          &IID_IPlatformInfo};
    for (const IID* iid : answered) {
        IUnknown* part = query<IUnknown>(connection, *iid);
        ASSERT_NE(nullptr, part);
        part->Release();
    }
    EXPECT_EQ(query<IUnknown>(connection, IID_IUnknown),
              query<IUnknown>(connection, IID_IDispatch));
    connection->Release();
    connection->Release();
    EXPECT_EQ(nullptr, query<IUnknown>(connection, IID_IPropertyBag));
    EXPECT_EQ(nullptr, query<IUnknown>(connection, IID_IClassFactory));
}

TEST_F(ComAdapter, WithoutASiteTheAddInsCallsFail) {
    EXPECT_EQ(E_FAIL, adapter->SetEventBufferDepth(3));
    long depth = 0;
    EXPECT_EQ(E_FAIL, adapter->GetEventBufferDepth(&depth));
    EXPECT_EQ(E_FAIL, adapter->ExternalEvent(text, text, text));
    EXPECT_EQ(E_FAIL, adapter->CleanEventBuffer());
    EXPECT_EQ(E_FAIL, adapter->SetStatusLine(text));
    EXPECT_EQ(E_FAIL, adapter->ResetStatusLine());
    EXPECT_EQ(E_FAIL, adapter->RegisterProfileAs(text));
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(E_FAIL, adapter->Read(L"Name", &value, nullptr));
    EXPECT_EQ(E_FAIL, static_cast<com_addin::IContext*>(adapter)->getPropVal(text, &value));
    EXPECT_EQ(E_FAIL, static_cast<com_addin::IContext*>(adapter)->call(text, nullptr, nullptr))
        << "no add-in object";
    EXPECT_EQ(E_NOTIMPL, adapter->Confirm(text, &value));
    EXPECT_EQ(E_NOTIMPL, adapter->Alert(text));
    EXPECT_EQ(0, g_asked) << "no box without a site";
    PlatformInfoRecord* record = nullptr;
    EXPECT_EQ(E_FAIL, adapter->GetPlatformInfo(&record));
    EXPECT_EQ(E_NOTIMPL, adapter->GetAppMainFrame(nullptr)) << "reads no argument";
    EXPECT_EQ(E_NOTIMPL, adapter->CreateAddInWindow(nullptr, nullptr, 0, 0, nullptr, 0,
                                                    nullptr, nullptr));
}

TEST_F(ComAdapter, ConfirmStoresTheAnswerAsABooleanAndAlertShowsAnOkBox) {
    withSite();
    for (bool yes : {true, false}) {
        g_answer = yes;
        VARIANT answer;
        VariantInit(&answer);
        EXPECT_EQ(S_OK, adapter->Confirm(text, &answer));
        EXPECT_EQ(eMessageBoxYesNo, g_kind);
        EXPECT_EQ(VT_BOOL, answer.vt);
        EXPECT_EQ(yes ? 1 : 0, answer.boolVal) << "the host writes 1 for true";
    }
    EXPECT_EQ(S_OK, adapter->Confirm(text, nullptr)) << "a box without a place for the answer";
    EXPECT_EQ(S_OK, adapter->Alert(text));
    EXPECT_EQ(eMessageBoxOk, g_kind);
    EXPECT_EQ(4, g_asked);
}

TEST_F(ComAdapter, PlatformInfoIsThePagesVersionAndUserAgent) {
    withSite();
    g_version = "8.3.1";
    g_userAgent = "Agent \xd0\x96";
    PlatformInfoRecord* record = nullptr;
    ASSERT_EQ(S_OK, adapter->GetPlatformInfo(&record));
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(std::wstring(L"8.3.1"), record->AppVersion);
    EXPECT_EQ(std::wstring(L"Agent \x0416"), record->UserAgentInformation);
    EXPECT_EQ(-1, record->Application);
    g_version.clear();
    g_userAgent.clear();
}

TEST_F(ComAdapter, EventBufferDepthIsTheSites) {
    withSite();
    EXPECT_EQ(S_OK, adapter->SetEventBufferDepth(12));
    long depth = 0;
    EXPECT_EQ(S_OK, adapter->GetEventBufferDepth(&depth));
    EXPECT_EQ(12, depth);
    EXPECT_EQ(12, site->GetEventBufferDepth());
}

TEST_F(ComAdapter, NoTypeInformationAndNoApplicationObject) {
    IDispatch* dispatch = query<IDispatch>(connection, IID_IDispatch);
    ASSERT_NE(nullptr, dispatch);
    UINT count = 5;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);
    ITypeInfo* info = nullptr;
    EXPECT_EQ(E_FAIL, dispatch->GetTypeInfo(0, 0, &info));
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"appdispatch")};
    ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    for (WORD flags : {WORD(DISPATCH_PROPERTYGET), WORD(DISPATCH_METHOD)}) {
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
                  dispatch->Invoke(id, IID_NULL, 0, flags, &none, &result, nullptr, nullptr));
    }
    dispatch->Release();
}

TEST_F(ComAdapter, SiteOperationsNeedAConnectedObject) {
    withSite();
    EXPECT_FALSE(adapter->isComponentLoaded());
    EXPECT_THROW(adapter->GetNProps(), lib_exception);
    EXPECT_THROW(adapter->setLocale(UnicodeString()), lib_exception);
    EXPECT_EQ(0, adapter->getInfo());
    UnicodeString extension;
    adapter->registerExtensionAs(extension);  // nothing without an object
    EXPECT_TRUE(extension.empty());
    const UnicodeString unknown = {'A', 'd', 'd', 'I', 'n', '.', 'N', 'o', 'n', 'e'};
    EXPECT_THROW(adapter->connect(unknown, UnicodeString()), invalid_args);
    EXPECT_FALSE(adapter->isComponentLoaded());
}

// The add-in may keep its connection after the site has gone: the adapter lives on, forgets
// the site, and ends with the add-in's last reference.
TEST_F(ComAdapter, ReferenceHeldByTheAddInOutlivesTheSite) {
    withSite();
    IAsyncEvent* events = query<IAsyncEvent>(connection, IID_IAsyncEvent);
    ASSERT_NE(nullptr, events);
    adapter->destroy();
    adapter = nullptr;
    EXPECT_EQ(1, AdapterCOM::liveObjects());
    EXPECT_EQ(E_FAIL, events->ExternalEvent(text, text, text)) << "the site is forgotten";
    EXPECT_EQ(0u, events->Release());
}

// The site's callbacks to the page go nowhere while a test runs.
class OutputToNowhere {
public:
    OutputToNowhere() : m_saved(output_fd()), m_fd(::_open("NUL", _O_WRONLY | _O_BINARY)) {
        if (m_fd >= 0) set_output_fd(m_fd);
    }
    ~OutputToNowhere() {
        set_output_fd(m_saved);
        if (m_fd >= 0) ::_close(m_fd);
    }
    OutputToNowhere(const OutputToNowhere&) = delete;
    OutputToNowhere& operator=(const OutputToNowhere&) = delete;

private:
    int m_saved;
    int m_fd;
};

// A late-bound call of the connection with one text argument.
HRESULT invoke_with_text(IUnknown* connection, const wchar_t* name, BSTR text, VARIANT* result) {
    IDispatch* dispatch = query<IDispatch>(connection, IID_IDispatch);
    if (dispatch == nullptr) return E_NOINTERFACE;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (SUCCEEDED(hr)) {
        VARIANT argument;
        argument.vt = VT_BSTR;
        argument.bstrVal = text;
        DISPPARAMS params = {&argument, nullptr, 1, 0};
        hr = dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, nullptr,
                              nullptr);
    }
    dispatch->Release();
    return hr;
}

}  // namespace

TEST_F(ComAdapter, FillsTheAddInsVariantsWithoutReadingThem) {
    withSite();
    OutputToNowhere quiet;
    g_answer = true;
    struct Fill {
        const char* operation;
        std::function<HRESULT(VARIANT*)> call;
        VARTYPE written;
    };
    com_addin::IContext* context = adapter;
    const Fill fills[] = {
        {"IContext getPropVal", [&](VARIANT* v) { return context->getPropVal(text, v); }, VT_NULL},
        {"late-bound getPropVal",
         [&](VARIANT* v) { return invoke_with_text(connection, L"getPropVal", text, v); },
         VT_NULL},
        {"IMsgBox Confirm", [&](VARIANT* v) { return adapter->Confirm(text, v); }, VT_BOOL},
        {"IPropertyProfile Read", [&](VARIANT* v) { return adapter->Read(L"Name", v, nullptr); },
         VT_NULL},
    };
    for (const Fill& fill : fills) {
        for (VARTYPE vt : com_test::kGarbageTypes) {
            com_test::Tripwire tripwire;
            VARIANT value = com_test::garbage_variant(vt, tripwire);
            EXPECT_EQ(S_OK, fill.call(&value)) << fill.operation << ", garbage of type " << vt;
            EXPECT_EQ(fill.written, value.vt) << fill.operation << ", garbage of type " << vt;
            EXPECT_EQ(0, tripwire.releases())
                << fill.operation << " cleared what the add-in's memory happened to hold";
        }
    }
}

// Every host operation that reaches the site or converts a value answers an HRESULT when an
// allocation fails on the way; nothing thrown reaches the add-in.
TEST_F(ComAdapter, AnOperationThatRunsOutOfMemoryAnswersAFailure) {
    withSite();
    OutputToNowhere quiet;
    g_version = std::string(64, 'v');  // long enough to need the heap on its way to UTF-16
    g_userAgent = std::string(64, 'u');
    BSTR longText = SysAllocString(L"A text longer than any string keeps in place");
    VARIANT value;
    VariantInit(&value);
    EXCEPINFO info = {};
    info.bstrSource = longText;
    info.bstrDescription = longText;
    PlatformInfoRecord* record = nullptr;
    com_addin::IContext* context = adapter;
    struct Operation {
        const char* name;
        std::function<HRESULT()> call;
    };
    const Operation operations[] = {
        {"ExternalEvent", [&] { return adapter->ExternalEvent(longText, longText, longText); }},
        {"SetStatusLine", [&] { return adapter->SetStatusLine(longText); }},
        {"ResetStatusLine", [&] { return adapter->ResetStatusLine(); }},
        {"RegisterProfileAs", [&] { return adapter->RegisterProfileAs(longText); }},
        {"Read", [&] { return adapter->Read(longText, &value, nullptr); }},
        {"Write", [&] { return adapter->Write(longText, &value); }},
        {"getPropVal", [&] { return context->getPropVal(longText, &value); }},
        {"setPropVal", [&] { return context->setPropVal(longText, &value); }},
        {"AddError", [&] { return adapter->AddError(longText, &info); }},
        {"Confirm", [&] { return adapter->Confirm(longText, &value); }},
        {"Alert", [&] { return adapter->Alert(longText); }},
        {"GetPlatformInfo", [&] { return adapter->GetPlatformInfo(&record); }},
        {"late-bound SetStatusLine",
         [&] { return invoke_with_text(connection, L"SetStatusLine", longText, nullptr); }},
    };
    for (const Operation& operation : operations) {
        HRESULT hr = S_OK;
        bool escaped = false;
        try {
            FailingAllocations failing;
            hr = operation.call();
        } catch (...) {
            escaped = true;
        }
        EXPECT_FALSE(escaped) << operation.name << " let an exception reach the add-in";
        EXPECT_EQ(E_OUTOFMEMORY, hr) << operation.name;
        VariantClear(&value);
    }
    SysFreeString(longText);
    g_version.clear();
    g_userAgent.clear();
}
