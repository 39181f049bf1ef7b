#include "recording_connection.h"

#include "context_call.h"
#include "context_properties.h"
#include "profile_error.h"

namespace com_test {

using namespace com_addin;

std::wstring text(BSTR value) { return value != nullptr ? std::wstring(value) : L"(null)"; }

namespace {

std::wstring number(long value) { return std::to_wstring(value); }

}  // namespace

RecordingConnection::RecordingConnection() {}

RecordingConnection::~RecordingConnection() {
    for (auto& entry : m_profile) VariantClear(&entry.second);
}

ConnectOutcome RecordingConnection::connect(const std::wstring& progId) {
    return m_addIn.connect(progId, dispatch());
}

std::vector<std::wstring> RecordingConnection::calls() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_calls;
}

void RecordingConnection::clearCalls() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_calls.clear();
}

bool RecordingConnection::waitForEvents(size_t count, std::chrono::milliseconds deadline) const {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_eventCame.wait_for(lock, deadline, [&] { return m_events.size() >= count; });
}

std::vector<std::wstring> RecordingConnection::events() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
}

void RecordingConnection::record(const std::wstring& call) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_calls.push_back(call);
}

STDMETHODIMP RecordingConnection::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IAsyncEvent)) {
        *out = static_cast<IAsyncEvent*>(this);
    } else if (IsEqualIID(iid, IID_IStatusLine)) {
        *out = static_cast<IStatusLine*>(this);
    } else if (IsEqualIID(iid, IID_IPropertyProfile)) {
        *out = static_cast<IPropertyProfile*>(this);
    } else if (IsEqualIID(iid, IID_IErrorLog)) {
        *out = static_cast<IErrorLog*>(this);
    } else if (IsEqualIID(iid, IID_IExtWndsSupport)) {
        *out = static_cast<IExtWndsSupport*>(this);
    } else if (IsEqualIID(iid, IID_IMsgBox)) {
        *out = static_cast<IMsgBox*>(this);
    } else if (IsEqualIID(iid, IID_IPlatformInfo)) {
        *out = static_cast<IPlatformInfo*>(this);
    } else if (IsEqualIID(iid, IID_IContext)) {
        *out = static_cast<IContext*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

// The test owns the object on its stack: the count only shows who still holds it.
STDMETHODIMP_(ULONG) RecordingConnection::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

STDMETHODIMP_(ULONG) RecordingConnection::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&m_refs));
}

STDMETHODIMP RecordingConnection::SetEventBufferDepth(long depth) {
    InterlockedExchange(&m_depth, depth);
    record(L"SetEventBufferDepth(" + number(depth) + L")");
    return S_OK;
}

STDMETHODIMP RecordingConnection::GetEventBufferDepth(long* depth) {
    if (depth == nullptr) return E_POINTER;
    *depth = m_depth;
    record(L"GetEventBufferDepth");
    return S_OK;
}

STDMETHODIMP RecordingConnection::ExternalEvent(BSTR source, BSTR message, BSTR data) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back(text(source) + L"|" + text(message) + L"|" + text(data));
    }
    m_eventCame.notify_all();
    return S_OK;
}

STDMETHODIMP RecordingConnection::CleanEventBuffer() {
    record(L"CleanEventBuffer");
    return S_OK;
}

STDMETHODIMP RecordingConnection::SetStatusLine(BSTR line) {
    record(L"SetStatusLine(" + text(line) + L")");
    return S_OK;
}

STDMETHODIMP RecordingConnection::ResetStatusLine() {
    record(L"ResetStatusLine");
    return S_OK;
}

STDMETHODIMP RecordingConnection::Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) {
    if (value == nullptr) return E_POINTER;
    VariantInit(value);
    const std::wstring key = name != nullptr ? name : L"";
    record(L"Read(" + key + L")");
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto found = m_profile.find(key);
        if (found != m_profile.end()) return VariantCopy(value, &found->second);
    }
    // The log is the add-in's to choose; it may be this very object.
    report_profile_error(log, name, (L"No value " + key).c_str(), 17);
    return E_FAIL;
}

STDMETHODIMP RecordingConnection::Write(LPCOLESTR name, VARIANT* value) {
    if (value == nullptr) return E_POINTER;
    const std::wstring key = name != nullptr ? name : L"";
    VARIANT copy = {};
    VariantInit(&copy);
    const HRESULT hr = VariantCopy(&copy, value);
    if (FAILED(hr)) return hr;
    record(L"Write(" + key + L")");
    std::lock_guard<std::mutex> lock(m_lock);
    VARIANT& slot = m_profile[key];
    VariantClear(&slot);
    slot = copy;
    return S_OK;
}

STDMETHODIMP RecordingConnection::RegisterProfileAs(BSTR name) {
    record(L"RegisterProfileAs(" + text(name) + L")");
    return S_OK;
}

STDMETHODIMP RecordingConnection::AddError(LPCOLESTR, EXCEPINFO* info) {
    if (info == nullptr) return E_POINTER;
    return reportError(info->wCode, info->bstrSource, info->bstrDescription, info->scode);
}

HRESULT RecordingConnection::reportError(unsigned short wCode, BSTR source, BSTR description,
                                         long scode) {
    record(L"AddError(" + number(wCode) + L"," + text(source) + L"," + text(description) + L"," +
           number(scode) + L")");
    if (onError) onError();
    return S_OK;
}

STDMETHODIMP RecordingConnection::GetAppMainFrame(long*) { return E_NOTIMPL; }
STDMETHODIMP RecordingConnection::GetAppMDIFrame(long*) { return E_NOTIMPL; }
STDMETHODIMP RecordingConnection::CreateAddInWindow(BSTR, BSTR, long, long, RECT*, long, long*,
                                                    IDispatch**) {
    return E_NOTIMPL;
}

STDMETHODIMP RecordingConnection::Confirm(BSTR question, VARIANT* answer) {
    record(L"Confirm(" + text(question) + L")");
    if (answer != nullptr) {
        VariantClear(answer);
        answer->vt = VT_BOOL;
        answer->boolVal = VARIANT_TRUE;
    }
    return S_OK;
}

STDMETHODIMP RecordingConnection::Alert(BSTR message) {
    record(L"Alert(" + text(message) + L")");
    return S_OK;
}

STDMETHODIMP RecordingConnection::GetPlatformInfo(PlatformInfoRecord** info) {
    if (info == nullptr) return E_POINTER;
    PlatformInfoRecord* record = m_platform.keep(kAppVersion, kUserAgent);
    if (record == nullptr) return E_OUTOFMEMORY;
    *info = record;
    return S_OK;
}

STDMETHODIMP RecordingConnection::getPropVal(BSTR name, VARIANT* value) {
    return context_get_property(m_addIn.extender(), name, value);
}

STDMETHODIMP RecordingConnection::setPropVal(BSTR name, VARIANT* value) {
    return context_set_property(m_addIn.extender(), name, value);
}

STDMETHODIMP RecordingConnection::call(BSTR name, VARIANT* params, VARIANT* result) {
    return context_call(m_addIn.extender(), name, params, result);
}

}  // namespace com_test
