#include "addin_site.h"

#include "bstr_holder.h"
#include "com_boundary.h"
#include "interface_holder.h"
#include "listener_call.h"
#include "own_addin_library.h"
#include "script_array.h"
#include "server_names.h"
#include "site_event_queue.h"

namespace {

// A listener callback whose BSTR arguments the site owns: freed when it goes out of scope.
class OwnedTexts {
public:
    OwnedTexts(BSTR a, BSTR b = nullptr, BSTR c = nullptr) : m_texts{a, b, c} {}
    ~OwnedTexts() {
        for (BSTR text : m_texts) SysFreeString(text);
    }
    OwnedTexts(const OwnedTexts&) = delete;
    OwnedTexts& operator=(const OwnedTexts&) = delete;
    // The texts now belong to a queued record.
    void release() { m_texts[0] = m_texts[1] = m_texts[2] = nullptr; }

private:
    BSTR m_texts[3];
};

VARIANT variant_of(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    return v;
}

}  // namespace

AddInSite::AddInSite(IUnknown* outer)
    : velmor_atl::DispatchImpl<quillon::IAddInSiteFull>(IID_IAddInSite),
      velmor_atl::ComObjectRoot(outer),
      m_homeThread(GetCurrentThreadId()) {}

// Runs once: the object layer lets no reference taken by the add-in's Done (a box, the
// platform information) bring the count back to zero.
AddInSite::~AddInSite() {
    finishAdapter();
    releaseAdapter();
    if (m_listener != nullptr) m_listener->Release();
    SysFreeString(m_name);
    SysFreeString(m_className);
    // Records of this site that are still queued are dropped unread.
    if (SiteEventQueue* events = SiteEventQueue::instance()) {
        events->withdraw(static_cast<quillon::ISiteEx*>(this));
    }
}

void* AddInSite::findInterface(REFIID iid) {
    if (IsEqualIID(iid, IID_IAddInSite) || IsEqualIID(iid, IID_IDispatch)) {
        return static_cast<quillon::IAddInSiteFull*>(this);
    }
    if (IsEqualIID(iid, quillon::IID_IInnerListener)) {
        return static_cast<quillon::IInnerListener*>(this);
    }
    if (IsEqualIID(iid, quillon::IID_ISiteEx)) return static_cast<quillon::ISiteEx*>(this);
    return nullptr;
}

// A finish that a frame of the add-in deferred may run after the site is gone: the adapter
// is cut off it first.
void AddInSite::releaseAdapter() {
    if (m_adapter != nullptr) m_adapter->setSite(nullptr);
    if (m_context != nullptr) m_context->Release();
    if (m_adapter != nullptr) m_adapter->Release();
    m_context = nullptr;
    m_adapter = nullptr;
}

// ---- IAddInSite

// The page's own script may create a site and call this hidden operation itself: a native
// site loads only the add-in file the service would give it, and a nested initialize (from a
// callback of the add-in that the first one is loading) is refused and leaves the first whole.
HRESULT AddInSite::initialize(BSTR clsid, long getInfo, short type, BSTR filename) {
    if (m_initializing) return E_UNEXPECTED;
    const auto self = com_addin::InterfaceHolder<quillon::IAddInSiteFull>::referenced(this);
    m_initializing = true;
    const HRESULT hr = com_addin::guarded([&] { return connect(clsid, getInfo, type, filename); });
    m_initializing = false;
    return hr;
}

HRESULT AddInSite::connect(BSTR clsid, long getInfo, short type, BSTR filename) {
    m_type = type;
    const wchar_t* progId = type == 1 ? kProgIdAdapterCom : type == 2 ? kProgIdAdapterNative
                                                                      : nullptr;
    if (progId == nullptr) return E_NOTIMPL;
    if (FAILED(CLSIDFromProgID(progId, &m_adapterClass))) return E_NOTIMPL;
    if (type == 2 && !is_own_addin_library(filename)) return E_ACCESSDENIED;
    // What is loaded is the server's own add-in file, not the caller's spelling of it.
    const com_addin::BstrHolder library(type == 2 ? own_addin_library_path().c_str() : nullptr);
    if (type == 2 && library.get() == nullptr) return E_OUTOFMEMORY;
    // A site initialised again starts from a fresh adapter.
    if (m_adapter != nullptr) {
        finishAdapter();
        releaseAdapter();
    }
    HRESULT hr = CoCreateInstance(m_adapterClass, nullptr, CLSCTX_INPROC_SERVER,
                                  quillon::IID_IAdapterDefBase,
                                  reinterpret_cast<void**>(&m_adapter));
    if (FAILED(hr)) return hr;
    // The add-in's callbacks during loading may end this site's add-in: the adapter stays.
    const auto adapter = com_addin::InterfaceHolder<quillon::IAdapterDefBase>::referenced(m_adapter);
    hr = adapter->QueryInterface(quillon::IID_IContext, reinterpret_cast<void**>(&m_context));
    if (FAILED(hr)) return hr;
    hr = adapter->setSite(static_cast<quillon::IInnerListener*>(this));
    if (FAILED(hr)) return hr;
    hr = adapter->load(clsid, library.get());
    if (FAILED(hr)) return hr;
    int loaded = 0;
    hr = adapter->isLoaded(&loaded);
    if (FAILED(hr) || !loaded) {
        finishAdapter();
        releaseAdapter();
        return FAILED(hr) ? hr : E_FAIL;
    }
    SysFreeString(m_className);
    m_className = SysAllocStringLen(clsid, SysStringLen(clsid));
    if (!m_locale.empty()) {
        BSTR locale = SysAllocString(m_locale.c_str());
        adapter->setLocale(locale);
        SysFreeString(locale);
    }
    m_version = -1;
    if (getInfo != 0) {
        long version = -1;
        if (SUCCEEDED(adapter->getInfo(&version))) m_version = version;
    }
    SysFreeString(m_name);
    m_name = nullptr;
    return adapter->registerExtensionAs(&m_name);
}

HRESULT AddInSite::getName(BSTR* name) {
    if (name == nullptr) return E_POINTER;
    *name = m_name != nullptr ? SysAllocStringLen(m_name, SysStringLen(m_name)) : nullptr;
    return S_OK;
}

HRESULT AddInSite::getObject(IUnknown** ppOut) {
    if (ppOut != nullptr) *ppOut = nullptr;
    return S_OK;
}

// Without an adapter (never initialised, or a failed initialize) there is nothing to ask.
// The page may end or release this site from a callback of the add-in while it runs one of
// these: the site and its adapter stay whole until the add-in's call returns.
HRESULT AddInSite::getPropertyValue(BSTR name, VARIANT* value) {
    if (m_context == nullptr) return E_UNEXPECTED;
    if (value == nullptr) return E_POINTER;
    const auto self = com_addin::InterfaceHolder<quillon::IAddInSiteFull>::referenced(this);
    const auto context = com_addin::InterfaceHolder<quillon::IContext>::referenced(m_context);
    return context->getPropVal(name, value);
}

HRESULT AddInSite::setPropertyValue(BSTR name, VARIANT* value) {
    if (m_context == nullptr) return E_UNEXPECTED;
    if (value == nullptr) return E_POINTER;
    const auto self = com_addin::InterfaceHolder<quillon::IAddInSiteFull>::referenced(this);
    const auto context = com_addin::InterfaceHolder<quillon::IContext>::referenced(m_context);
    return context->setPropVal(name, value);
}

HRESULT AddInSite::call(BSTR name, VARIANT* params, VARIANT* pretVal) {
    if (m_context == nullptr) return E_UNEXPECTED;
    VARIANT arguments;
    VariantInit(&arguments);
    long count = 0;
    IDispatch* page = params != nullptr && params->vt == VT_DISPATCH ? params->pdispVal : nullptr;
    if (page != nullptr) {
        count = script_array_length(page);
        arguments.vt = VT_ARRAY;  // the bare array flag, as the adapters expect
        arguments.parray = read_script_array(page, count);
    }
    const auto self = com_addin::InterfaceHolder<quillon::IAddInSiteFull>::referenced(this);
    const auto context = com_addin::InterfaceHolder<quillon::IContext>::referenced(m_context);
    const HRESULT hr = context->call(name, &arguments, pretVal);
    if (SUCCEEDED(hr) && count != 0 && page != nullptr && (arguments.vt & VT_ARRAY) != 0) {
        write_script_array(page, arguments.parray);
    }
    // VariantClear would reject the bare array type: the array is destroyed directly, once.
    if ((arguments.vt & VT_ARRAY) != 0 && arguments.parray != nullptr) {
        SafeArrayDestroy(arguments.parray);
    }
    return hr;
}

HRESULT AddInSite::done() {
    const auto self = com_addin::InterfaceHolder<quillon::IAddInSiteFull>::referenced(this);
    finishAdapter();
    return S_OK;
}

// The add-in's Done may call back into the page, and the page may end this site again from
// there: the nested request finds the adapter already finishing and leaves it to the first.
void AddInSite::finishAdapter() {
    if (m_adapter == nullptr || m_finishing) return;
    const auto adapter = com_addin::InterfaceHolder<quillon::IAdapterDefBase>::referenced(m_adapter);
    m_finishing = true;
    adapter->done();
    m_finishing = false;
}

HRESULT AddInSite::getVersion(long* vers) {
    if (vers == nullptr) return E_POINTER;
    *vers = m_version;
    return S_OK;
}

HRESULT AddInSite::getWindow(VARIANT* result) {
    if (result == nullptr) return E_POINTER;
    VariantClear(result);
    return call_listener(m_listener, L"getWindow", nullptr, 0, result);
}

// ---- IInnerListener

HRESULT AddInSite::SetEventBufferDepth(long depth) {
    m_eventBufferDepth = depth;
    return S_OK;
}

HRESULT AddInSite::GetEventBufferDepth(long* depth) {
    if (depth == nullptr) return E_POINTER;
    *depth = m_eventBufferDepth;
    return S_OK;
}

HRESULT AddInSite::CleanEventBuffer() { return S_OK; }

// A queued record does not keep the site alive: a site the page lets go takes its records
// with it, and the queue references the site only for each delivery, on the page's thread.
// A record that finds the queue full is refused, and the add-in learns it from the failure.
HRESULT AddInSite::queue(int kind, BSTR text1, BSTR text2, BSTR text3, unsigned short wcode,
                         long scode) {
    SiteEventRecord record;
    record.kind = static_cast<SiteEventKind>(kind);
    record.text1 = text1;
    record.text2 = text2;
    record.text3 = text3;
    record.wcode = wcode;
    record.scode = scode;
    record.homeThread = m_homeThread;
    record.target = static_cast<quillon::ISiteEx*>(this);
    record.owner = this;
    SiteEventQueue* events = SiteEventQueue::instance();
    if (events == nullptr) {
        free_record_texts(&record);  // nobody would deliver it: no service ever ran
        return E_FAIL;
    }
    return events->push(record) ? S_OK : E_OUTOFMEMORY;
}

HRESULT AddInSite::ExternalEvent(BSTR source, BSTR message, BSTR data) {
    OwnedTexts texts(source, message, data);
    if (!onHomeThread()) {
        texts.release();
        return queue(eSiteEvent, message, source, data, 0, 0);
    }
    if (m_listener == nullptr) return E_FAIL;
    return externalEvent(source, message, data);
}

HRESULT AddInSite::AddError(unsigned short wcode, BSTR source, BSTR description, long scode) {
    OwnedTexts texts(source, description);
    if (!onHomeThread()) {
        texts.release();
        return queue(eSiteError, description, source, nullptr, wcode, scode);
    }
    if (m_listener == nullptr) return E_FAIL;
    return addError(wcode, source, description, scode);
}

HRESULT AddInSite::SetStatusLine(BSTR text) {
    OwnedTexts texts(text);
    if (!onHomeThread()) {
        texts.release();
        return queue(eSiteStatus, text, nullptr, nullptr, 0, 0);
    }
    if (m_listener == nullptr) return E_FAIL;
    return setStatusLine(text);
}

HRESULT AddInSite::ResetStatusLine() {
    if (!onHomeThread()) {
        return queue(eSiteResetStatus, nullptr, nullptr, nullptr, 0, 0);
    }
    if (m_listener == nullptr) return E_FAIL;
    return resetStatusLine();
}

// A profile read needs the page's answer at once: never from another thread.
HRESULT AddInSite::Read(BSTR name, VARIANT* value, long*, BSTR*) {
    OwnedTexts texts(name);
    if (!onHomeThread() || m_listener == nullptr) return E_FAIL;
    return readValue(name, value);
}

HRESULT AddInSite::Write(BSTR name, VARIANT* value) {
    OwnedTexts texts(name);
    if (!onHomeThread() || m_listener == nullptr) return E_FAIL;
    return writeValue(name, value);
}

HRESULT AddInSite::RegisterProfileAs(BSTR name) {
    OwnedTexts texts(name);
    if (!onHomeThread() || m_listener == nullptr) return E_FAIL;
    return registerProfileAs(name);
}

// ---- ISiteEx

HRESULT AddInSite::setListener(IDispatch* listener) {
    if (listener == m_listener) return S_OK;
    if (listener != nullptr) listener->AddRef();
    if (m_listener != nullptr) m_listener->Release();
    m_listener = listener;
    return S_OK;
}

HRESULT AddInSite::setLocale(BSTR locale) {
    return com_addin::guarded([&] {
        m_locale = locale != nullptr ? std::wstring(locale) : std::wstring();
        return S_OK;
    });
}

HRESULT AddInSite::callOneText(const wchar_t* method, BSTR text) {
    VARIANT argument = lent_bstr(text);
    return call_listener(m_listener, method, &argument, 1, nullptr);
}

HRESULT AddInSite::addError(unsigned short wcode, BSTR source, BSTR description, long scode) {
    VARIANT arguments[4] = {variant_of(VT_UI2), lent_bstr(source), lent_bstr(description),
                            variant_of(VT_I4)};
    arguments[0].uiVal = wcode;
    arguments[3].lVal = scode;
    return call_listener(m_listener, L"addError", arguments, 4, nullptr);
}

HRESULT AddInSite::readValue(BSTR name, VARIANT* value) {
    VARIANT argument = lent_bstr(name);
    return call_listener(m_listener, L"readValue", &argument, 1, value);
}

HRESULT AddInSite::writeValue(BSTR name, VARIANT* value) {
    VARIANT arguments[2] = {lent_bstr(name), variant_of(VT_EMPTY)};
    if (value != nullptr && FAILED(VariantCopy(&arguments[1], value))) return E_OUTOFMEMORY;
    const HRESULT hr = call_listener(m_listener, L"writeValue", arguments, 2, nullptr);
    VariantClear(&arguments[1]);
    return hr;
}

HRESULT AddInSite::registerProfileAs(BSTR name) { return callOneText(L"registerProfileAs", name); }

HRESULT AddInSite::setStatusLine(BSTR text) { return callOneText(L"setStatusLine", text); }

HRESULT AddInSite::resetStatusLine() {
    return call_listener(m_listener, L"resetStatusLine", nullptr, 0, nullptr);
}

HRESULT AddInSite::externalEvent(BSTR source, BSTR message, BSTR data) {
    VARIANT arguments[3] = {lent_bstr(source), lent_bstr(message), lent_bstr(data)};
    return call_listener(m_listener, L"externalEvent", arguments, 3, nullptr);
}

HRESULT AddInSite::getObject(BSTR name) {
    VARIANT argument = lent_bstr(name);
    VARIANT answer = variant_of(VT_EMPTY);
    const HRESULT hr = call_listener(m_listener, L"getObject", &argument, 1, &answer);
    const bool isObject = SUCCEEDED(hr) && answer.vt == VT_DISPATCH;
    VariantClear(&answer);
    return isObject ? S_OK : E_INVALIDARG;
}

HRESULT AddInSite::registerClassName(BSTR key) { return callOneText(L"registerClassName", key); }

HRESULT AddInSite::messageBox(BSTR text) { return callOneText(L"messageBox", text); }

HRESULT AddInSite::queryBox(BSTR text, VARIANT* result) {
    VARIANT argument = lent_bstr(text);
    return call_listener(m_listener, L"queryBox", &argument, 1, result);
}

HRESULT AddInSite::getUserAgent(VARIANT* result) {
    if (result != nullptr) VariantClear(result);
    return call_listener(m_listener, L"getUserAgent", nullptr, 0, result);
}

HRESULT AddInSite::createObject(BSTR name, VARIANT* result) {
    if (result != nullptr) VariantClear(result);
    VARIANT argument = lent_bstr(name);
    return call_listener(m_listener, L"createObject", &argument, 1, result);
}

HRESULT AddInSite::getVersion(BSTR* version) {
    if (version == nullptr) return E_POINTER;
    *version = nullptr;
    VARIANT answer = variant_of(VT_EMPTY);
    HRESULT hr = call_listener(m_listener, L"getVersion", nullptr, 0, &answer);
    if (SUCCEEDED(hr) && answer.vt != VT_EMPTY) {
        // An answer that is no text and cannot become one gives no version.
        hr = VariantChangeType(&answer, &answer, 0, VT_BSTR);
        if (SUCCEEDED(hr) && answer.bstrVal != nullptr) {
            *version = answer.bstrVal;
            answer.vt = VT_EMPTY;
        }
    }
    VariantClear(&answer);
    return hr;
}
