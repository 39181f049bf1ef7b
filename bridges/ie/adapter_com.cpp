#include "adapter_com.h"

#include "com_boundary.h"
#include "context_call.h"
#include "context_properties.h"
#include "profile_error.h"
#include "uncounted_listener.h"

using namespace com_addin;

namespace {

BSTR copy_of(const wchar_t* text) { return text != nullptr ? SysAllocString(text) : nullptr; }
BSTR copy_of(BSTR text) {
    return text != nullptr ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
}

using Listener = CallbackTarget<quillon::IInnerListener>::Use;

}  // namespace

AdapterCOM::AdapterCOM(IUnknown* outer)
    : velmor_atl::ComObjectRoot(outer),
      m_listener(&m_addIn),
      m_addIn(static_cast<AddInConnection::Owner*>(this)) {}

// The add-in's references go with the connection (without Done).
AdapterCOM::~AdapterCOM() {
    m_addIn.releaseExtender();
    m_addIn.releaseObject();
}

void* AdapterCOM::findInterface(REFIID iid) {
    if (IsEqualIID(iid, IID_IAdapterCOM) || IsEqualIID(iid, IID_IDispatch)) {
        return static_cast<IAdapterCOM*>(this);
    }
    if (IsEqualIID(iid, IID_IAsyncEvent)) return static_cast<IAsyncEvent*>(this);
    if (IsEqualIID(iid, IID_IStatusLine)) return static_cast<IStatusLine*>(this);
    if (IsEqualIID(iid, IID_IPropertyProfile)) return static_cast<IPropertyProfile*>(this);
    if (IsEqualIID(iid, quillon::IID_IContext)) return static_cast<quillon::IContext*>(this);
    if (IsEqualIID(iid, quillon::IID_IAdapterDefBase)) {
        return static_cast<quillon::IAdapterDefBase*>(this);
    }
    if (IsEqualIID(iid, IID_IErrorLog)) return static_cast<IErrorLog*>(this);
    if (IsEqualIID(iid, IID_IExtWndsSupport)) return static_cast<IExtWndsSupport*>(this);
    if (IsEqualIID(iid, IID_IMsgBox)) return static_cast<IMsgBox*>(this);
    if (IsEqualIID(iid, IID_IPlatformInfo)) return static_cast<IPlatformInfo*>(this);
    return nullptr;
}

// ---- IAdapterDefBase

HRESULT AdapterCOM::setSite(IUnknown* site) {
    if (site == nullptr) return E_FAIL;
    quillon::IInnerListener* listener = nullptr;
    const HRESULT hr =
        site->QueryInterface(quillon::IID_IInnerListener, reinterpret_cast<void**>(&listener));
    m_listener.set(SUCCEEDED(hr) ? uncounted_listener(listener) : nullptr);
    return hr;
}

HRESULT AdapterCOM::load(BSTR className, BSTR) {
    return com_addin::guarded([&] {
        const ConnectOutcome outcome =
            m_addIn.connect(className != nullptr ? className : L"", static_cast<IAdapterCOM*>(this));
        return FAILED(outcome.created) ? outcome.created : outcome.initQuery;
    });
}

HRESULT AdapterCOM::isLoaded(int* loaded) {
    if (loaded == nullptr) return E_POINTER;
    *loaded = m_addIn.loaded() ? 1 : 0;
    return S_OK;
}

HRESULT AdapterCOM::getInfo(long* version) {
    if (version == nullptr) return E_POINTER;
    *version = 0;
    if (m_addIn.initDone() == nullptr) return E_FAIL;
    const VersionOutcome outcome = m_addIn.readVersion();
    if (FAILED(outcome.getInfo)) return outcome.getInfo;
    *version = outcome.version;
    return S_OK;
}

HRESULT AdapterCOM::registerExtensionAs(BSTR* name) {
    if (m_addIn.extender() == nullptr) return E_FAIL;
    AddInConnection::CallScope scope(m_addIn);
    return m_addIn.extender()->RegisterExtensionAs(name);
}

HRESULT AdapterCOM::setLocale(BSTR locale) {
    return com_addin::guarded([&] {
        const HRESULT hr = m_addIn.setLocale(locale != nullptr ? locale : L"");
        return hr == E_NOINTERFACE ? E_FAIL : hr;
    });
}

// An add-in that keeps the connection past its disconnection, or a thread of its own beyond
// Done, can outlive the site: from here on its calls find no listener, and the events its
// threads are passing to the site meanwhile are waited for (the site may go as soon as this
// returns). Asked for from a callback that the add-in makes inside one of its methods, the
// disconnection runs when that method has returned.
HRESULT AdapterCOM::done() {
    m_addIn.disconnect();
    m_listener.cut();
    return S_OK;
}

bool AdapterCOM::endLater() { return askLater(controllingUnknown()); }

void AdapterCOM::runLater() { m_addIn.disconnectIfPending(); }

HRESULT AdapterCOM::getPropPage(IUnknown**) { return E_NOTIMPL; }
HRESULT AdapterCOM::getCLSID(CLSID*) { return E_NOTIMPL; }

// ---- IContext: each a call into the add-in, which the page may end from its callbacks. The
// page's thread only: the add-in's own threads may not drive the object through its host.

HRESULT AdapterCOM::getPropVal(BSTR name, VARIANT* value) {
    if (!m_listener.onHomeThread()) return E_FAIL;
    AddInConnection::CallScope scope(m_addIn);
    return context_get_property(m_addIn.extender(), name, value);
}

HRESULT AdapterCOM::setPropVal(BSTR name, VARIANT* value) {
    if (!m_listener.onHomeThread()) return E_FAIL;
    AddInConnection::CallScope scope(m_addIn);
    return context_set_property(m_addIn.extender(), name, value);
}

HRESULT AdapterCOM::call(BSTR name, VARIANT* params, VARIANT* result) {
    if (!m_listener.onHomeThread()) return E_FAIL;
    AddInConnection::CallScope scope(m_addIn);
    return context_call(m_addIn.extender(), name, params, result);
}

// ---- The host side: the add-in's calls. The events and the depth come from any thread; the
// rest only from the page's, and from any other they fail without reaching the site.

HRESULT AdapterCOM::SetEventBufferDepth(long depth) {
    const Listener listener(m_listener);
    return listener ? listener->SetEventBufferDepth(depth) : E_FAIL;
}

HRESULT AdapterCOM::GetEventBufferDepth(long* depth) {
    const Listener listener(m_listener);
    return listener ? listener->GetEventBufferDepth(depth) : E_FAIL;
}

HRESULT AdapterCOM::ExternalEvent(BSTR source, BSTR message, BSTR data) {
    const Listener listener(m_listener);
    if (!listener) return E_FAIL;
    return listener->ExternalEvent(copy_of(source), copy_of(message), copy_of(data));
}

HRESULT AdapterCOM::CleanEventBuffer() {
    const HomeListener listener(m_listener);
    return listener ? listener->CleanEventBuffer() : E_FAIL;
}

// The site takes over the text it is given: it gets a copy, the add-in keeps its own.
HRESULT AdapterCOM::SetStatusLine(BSTR text) {
    const HomeListener listener(m_listener);
    return listener ? listener->SetStatusLine(copy_of(text)) : E_FAIL;
}

HRESULT AdapterCOM::ResetStatusLine() {
    const HomeListener listener(m_listener);
    return listener ? listener->ResetStatusLine() : E_FAIL;
}

// From another thread the read is refused as the site refuses it: nothing read, the error log
// told.
HRESULT AdapterCOM::Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) {
    const HomeListener listener(m_listener);
    const bool refused = !m_listener.onHomeThread();
    if (!listener && !refused) return E_FAIL;
    if (value == nullptr) return E_POINTER;
    VariantInit(value);
    long errorCode = 0;
    BSTR description = nullptr;
    const HRESULT hr =
        refused ? E_FAIL : listener->Read(copy_of(name), value, &errorCode, &description);
    if (FAILED(hr)) report_profile_error(log, name, description, errorCode);
    SysFreeString(description);
    return hr;
}

HRESULT AdapterCOM::Write(LPCOLESTR name, VARIANT* value) {
    const HomeListener listener(m_listener);
    return listener ? listener->Write(copy_of(name), value) : E_FAIL;
}

HRESULT AdapterCOM::RegisterProfileAs(BSTR name) {
    const HomeListener listener(m_listener);
    return listener ? listener->RegisterProfileAs(copy_of(name)) : E_FAIL;
}

HRESULT AdapterCOM::AddError(LPCOLESTR, EXCEPINFO* info) {
    if (!HomeListener(m_listener)) return E_FAIL;
    if (info == nullptr) return E_POINTER;
    return reportError(info->wCode, info->bstrSource, info->bstrDescription, info->scode);
}

HRESULT AdapterCOM::reportError(unsigned short wCode, BSTR source, BSTR description,
                                long scode) {
    const HomeListener listener(m_listener);
    if (!listener) return E_FAIL;
    return listener->AddError(wCode, copy_of(source), copy_of(description), scode);
}

HRESULT AdapterCOM::GetAppMainFrame(long*) { return E_NOTIMPL; }
HRESULT AdapterCOM::GetAppMDIFrame(long*) { return E_NOTIMPL; }
HRESULT AdapterCOM::CreateAddInWindow(BSTR, BSTR, long, long, RECT*, long, long*, IDispatch**) {
    return E_NOTIMPL;
}

quillon::ISiteEx* AdapterCOM::siteEx(const HomeListener& listener, HRESULT* hr) {
    quillon::ISiteEx* site = nullptr;
    *hr = !listener ? E_FAIL
                    : listener->QueryInterface(quillon::IID_ISiteEx,
                                               reinterpret_cast<void**>(&site));
    return SUCCEEDED(*hr) ? site : nullptr;
}

// The boxes are the page's: from another thread they fail, the answer left as it was.
HRESULT AdapterCOM::Confirm(BSTR text, VARIANT* answer) {
    HRESULT hr = S_OK;
    quillon::ISiteEx* site = siteEx(HomeListener(m_listener), &hr);
    if (site == nullptr) return hr;
    VARIANT reply = {};
    VariantInit(&reply);
    hr = site->queryBox(text, &reply);
    site->Release();
    if (SUCCEEDED(hr) && answer != nullptr) {
        // The add-in's VARIANT may be uninitialised memory: written, never cleared.
        *answer = reply;  // moved: the answer owns it now
    } else {
        VariantClear(&reply);
    }
    return hr;
}

HRESULT AdapterCOM::Alert(BSTR text) {
    HRESULT hr = S_OK;
    quillon::ISiteEx* site = siteEx(HomeListener(m_listener), &hr);
    if (site == nullptr) return hr;
    hr = site->messageBox(text);
    site->Release();
    return hr;
}

// From another thread the page is not asked: the answer is the record last made on the page's
// thread, or a failure before there is one.
HRESULT AdapterCOM::GetPlatformInfo(PlatformInfoRecord** info) {
    if (!m_listener.onHomeThread()) {
        const Listener listener(m_listener);
        return listener ? m_platform.handOutLatest(info) : E_FAIL;
    }
    const HomeListener listener(m_listener);
    return guarded([&] { return askPlatformInfo(listener.get(), info); });
}

HRESULT AdapterCOM::askPlatformInfo(quillon::IInnerListener* listener,
                                    PlatformInfoRecord** info) {
    quillon::ISiteEx* site = nullptr;
    HRESULT hr = listener == nullptr ? E_FAIL
                                     : listener->QueryInterface(quillon::IID_ISiteEx,
                                                                reinterpret_cast<void**>(&site));
    if (FAILED(hr) || site == nullptr) return FAILED(hr) ? hr : E_FAIL;
    VARIANT userAgent = {};
    VariantInit(&userAgent);
    const HRESULT asked = site->getUserAgent(&userAgent);
    BSTR version = nullptr;
    site->getVersion(&version);
    site->Release();
    if (FAILED(VariantChangeType(&userAgent, &userAgent, 0, VT_BSTR))) VariantClear(&userAgent);
    PlatformInfoRecord* record =
        m_platform.keep(version, userAgent.vt == VT_BSTR ? userAgent.bstrVal : nullptr);
    SysFreeString(version);
    VariantClear(&userAgent);
    if (FAILED(asked)) return asked;
    if (record == nullptr) return E_OUTOFMEMORY;
    if (info == nullptr) return E_POINTER;
    *info = record;
    return S_OK;
}
