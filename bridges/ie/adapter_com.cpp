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


}  // namespace

AdapterCOM::AdapterCOM(IUnknown* outer) : velmor_atl::ComObjectRoot(outer) {}

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
    m_listener = SUCCEEDED(hr) ? uncounted_listener(listener) : nullptr;
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

// An add-in that keeps the connection past its disconnection can outlive the site: from here
// on its calls find no listener. Asked for from a callback that the add-in makes inside one of
// its methods, the disconnection runs when that method has returned.
HRESULT AdapterCOM::done() {
    m_addIn.disconnect();
    m_listener = nullptr;
    return S_OK;
}

HRESULT AdapterCOM::getPropPage(IUnknown**) { return E_NOTIMPL; }
HRESULT AdapterCOM::getCLSID(CLSID*) { return E_NOTIMPL; }

// ---- IContext: each a call into the add-in, which the page may end from its callbacks

HRESULT AdapterCOM::getPropVal(BSTR name, VARIANT* value) {
    AddInConnection::CallScope scope(m_addIn);
    return context_get_property(m_addIn.extender(), name, value);
}

HRESULT AdapterCOM::setPropVal(BSTR name, VARIANT* value) {
    AddInConnection::CallScope scope(m_addIn);
    return context_set_property(m_addIn.extender(), name, value);
}

HRESULT AdapterCOM::call(BSTR name, VARIANT* params, VARIANT* result) {
    AddInConnection::CallScope scope(m_addIn);
    return context_call(m_addIn.extender(), name, params, result);
}

// ---- The host side: the add-in's calls, on whatever thread it uses

HRESULT AdapterCOM::SetEventBufferDepth(long depth) {
    quillon::IInnerListener* listener = m_listener;
    return listener != nullptr ? listener->SetEventBufferDepth(depth) : E_FAIL;
}

HRESULT AdapterCOM::GetEventBufferDepth(long* depth) {
    quillon::IInnerListener* listener = m_listener;
    return listener != nullptr ? listener->GetEventBufferDepth(depth) : E_FAIL;
}

HRESULT AdapterCOM::ExternalEvent(BSTR source, BSTR message, BSTR data) {
    quillon::IInnerListener* listener = m_listener;
    if (listener == nullptr) return E_FAIL;
    return listener->ExternalEvent(copy_of(source), copy_of(message), copy_of(data));
}

HRESULT AdapterCOM::CleanEventBuffer() {
    quillon::IInnerListener* listener = m_listener;
    return listener != nullptr ? listener->CleanEventBuffer() : E_FAIL;
}

// The site takes over the text it is given: it gets a copy, the add-in keeps its own.
HRESULT AdapterCOM::SetStatusLine(BSTR text) {
    quillon::IInnerListener* listener = m_listener;
    return listener != nullptr ? listener->SetStatusLine(copy_of(text)) : E_FAIL;
}

HRESULT AdapterCOM::ResetStatusLine() {
    quillon::IInnerListener* listener = m_listener;
    return listener != nullptr ? listener->ResetStatusLine() : E_FAIL;
}

HRESULT AdapterCOM::Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) {
    quillon::IInnerListener* listener = m_listener;
    if (listener == nullptr) return E_FAIL;
    if (value == nullptr) return E_POINTER;
    VariantInit(value);
    long errorCode = 0;
    BSTR description = nullptr;
    const HRESULT hr = listener->Read(copy_of(name), value, &errorCode, &description);
    if (FAILED(hr)) report_profile_error(log, name, description, errorCode);
    SysFreeString(description);
    return hr;
}

HRESULT AdapterCOM::Write(LPCOLESTR name, VARIANT* value) {
    quillon::IInnerListener* listener = m_listener;
    return listener != nullptr ? listener->Write(copy_of(name), value) : E_FAIL;
}

HRESULT AdapterCOM::RegisterProfileAs(BSTR name) {
    quillon::IInnerListener* listener = m_listener;
    return listener != nullptr ? listener->RegisterProfileAs(copy_of(name)) : E_FAIL;
}

HRESULT AdapterCOM::AddError(LPCOLESTR, EXCEPINFO* info) {
    if (m_listener == nullptr) return E_FAIL;
    if (info == nullptr) return E_POINTER;
    return reportError(info->wCode, info->bstrSource, info->bstrDescription, info->scode);
}

HRESULT AdapterCOM::reportError(unsigned short wCode, BSTR source, BSTR description,
                                long scode) {
    quillon::IInnerListener* listener = m_listener;
    if (listener == nullptr) return E_FAIL;
    return listener->AddError(wCode, copy_of(source), copy_of(description), scode);
}

HRESULT AdapterCOM::GetAppMainFrame(long*) { return E_NOTIMPL; }
HRESULT AdapterCOM::GetAppMDIFrame(long*) { return E_NOTIMPL; }
HRESULT AdapterCOM::CreateAddInWindow(BSTR, BSTR, long, long, RECT*, long, long*, IDispatch**) {
    return E_NOTIMPL;
}

quillon::ISiteEx* AdapterCOM::siteEx(HRESULT* hr) {
    quillon::ISiteEx* site = nullptr;
    quillon::IInnerListener* listener = m_listener;
    *hr = listener == nullptr ? E_FAIL
                              : listener->QueryInterface(quillon::IID_ISiteEx,
                                                         reinterpret_cast<void**>(&site));
    return SUCCEEDED(*hr) ? site : nullptr;
}

HRESULT AdapterCOM::Confirm(BSTR text, VARIANT* answer) {
    HRESULT hr = S_OK;
    quillon::ISiteEx* site = siteEx(&hr);
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
    quillon::ISiteEx* site = siteEx(&hr);
    if (site == nullptr) return hr;
    hr = site->messageBox(text);
    site->Release();
    return hr;
}

HRESULT AdapterCOM::GetPlatformInfo(PlatformInfoRecord** info) {
    HRESULT hr = S_OK;
    quillon::ISiteEx* site = siteEx(&hr);
    if (site == nullptr) return hr;
    VARIANT userAgent = {};
    VariantInit(&userAgent);
    const HRESULT asked = site->getUserAgent(&userAgent);
    BSTR version = nullptr;
    site->getVersion(&version);
    site->Release();
    m_platform.adoptVersion(version);
    if (FAILED(VariantChangeType(&userAgent, &userAgent, 0, VT_BSTR))) VariantClear(&userAgent);
    m_platform.setUserAgent(userAgent.vt == VT_BSTR ? userAgent.bstrVal : nullptr);
    VariantClear(&userAgent);
    if (FAILED(asked)) return asked;
    if (info == nullptr) return E_POINTER;
    *info = m_platform.record();
    return S_OK;
}
