// The COM adapter as the add-in's connection object: each host operation goes to the site at
// once and answers an HRESULT. The add-in's own threads may pass only the events and the event
// buffer's depth; every other call from them fails without reaching the site, the page or a
// box (the platform information answers the record last made on the host's thread);
// whatever the site or a conversion throws stays here (com_addin::guarded). A VARIANT that the
// add-in gives to be filled may be uninitialised memory: it is initialised, never cleared.
#include <windows.h>
#include <oleauto.h>

#include <cwchar>

#include "adapter_com_win.h"
#include "addin_site.h"
#include "com_boundary.h"
#include "context_call.h"
#include "host_globals.h"
#include "message_box.h"
#include "profile_error.h"
#include "utils.h"

namespace {

// The host's view of a text that the add-in passed; a null BSTR is the empty text.
const UnicodeChar* text_of(const OLECHAR* text) {
    static const UnicodeChar kEmpty[] = {0};
    return text != nullptr ? reinterpret_cast<const UnicodeChar*>(text) : kEmpty;
}

HRESULT answer(bool done) { return done ? S_OK : E_FAIL; }

// The site for one callback from any thread; the site's end waits for the callbacks of other
// threads in it.
using Site = com_addin::CallbackTarget<AddInSite, false>::Use;
// The site for a callback of the host's thread alone; none on any other thread.
using HomeSite = com_addin::CallbackTarget<AddInSite, false>::HomeUse;

// The add-in's value as JSON; a kind without a JSON form (or no value) is null.
CNPVariant json_of(const VARIANT* value) {
    CNPVariant json;
    if (value != nullptr) Utils::VariantToNPVariant(*value, json);
    return json;
}

// Room for the description of a refused profile read; a longer one is cut.
constexpr size_t kReadFailureUnits = 200;

}  // namespace

using com_addin::guarded;

STDMETHODIMP AdapterCOM::SetEventBufferDepth(long depth) {
    const Site site(m_site);
    if (!site) return E_FAIL;
    site->SetEventBufferDepth(depth);
    return S_OK;
}

STDMETHODIMP AdapterCOM::GetEventBufferDepth(long* depth) {
    const Site site(m_site);
    if (!site) return E_FAIL;
    if (depth == nullptr) return E_POINTER;
    *depth = site->GetEventBufferDepth();
    return S_OK;
}

STDMETHODIMP AdapterCOM::ExternalEvent(BSTR source, BSTR message, BSTR data) {
    const Site site(m_site);
    if (!site) return E_FAIL;
    return guarded([&] {
        site->ExternalEvent(text_of(source), text_of(message), text_of(data));
        return S_OK;
    });
}

STDMETHODIMP AdapterCOM::CleanEventBuffer() {
    return answer(static_cast<bool>(HomeSite(m_site)));
}

STDMETHODIMP AdapterCOM::SetStatusLine(BSTR text) {
    const HomeSite site(m_site);
    if (!site) return E_FAIL;
    return guarded([&] { return answer(site->SetStatusLine(text_of(text))); });
}

STDMETHODIMP AdapterCOM::ResetStatusLine() {
    const HomeSite site(m_site);
    if (!site) return E_FAIL;
    return guarded([&] {
        site->ResetStatusLine();
        return S_OK;
    });
}

// The page answers a "readValue" callback later, on its own: the value read now is null.
STDMETHODIMP AdapterCOM::Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) {
    const HomeSite site(m_site);
    if (!site) return E_FAIL;
    if (value == nullptr) return E_POINTER;
    ::VariantInit(value);
    return guarded([&] {
        CNPVariant read;
        const bool done = site->Read(text_of(name), read);
        Utils::NPVariantToVariant(read, *value);
        if (done || errorLog == nullptr) return S_OK;
        wchar_t description[kReadFailureUnits];
        std::swprintf(description, kReadFailureUnits, L"Fail to read property '%ls'",
                      name != nullptr ? name : L"");
        com_addin::report_profile_error(errorLog, name, description, 0);
        return E_FAIL;
    });
}

STDMETHODIMP AdapterCOM::Write(LPCOLESTR name, VARIANT* value) {
    const HomeSite site(m_site);
    if (!site) return E_FAIL;
    return guarded([&] { return answer(site->Write(text_of(name), json_of(value))); });
}

STDMETHODIMP AdapterCOM::RegisterProfileAs(BSTR name) {
    const HomeSite site(m_site);
    if (!site) return E_FAIL;
    return guarded([&] { return answer(site->RegisterProfileAs(text_of(name))); });
}

STDMETHODIMP AdapterCOM::getPropVal(BSTR name, VARIANT* value) {
    const HomeSite site(m_site);
    if (!site) return E_FAIL;
    if (value == nullptr) return E_POINTER;
    ::VariantInit(value);
    return guarded([&] {
        CNPVariant read;
        if (!site->Read(text_of(name), read)) return E_FAIL;
        Utils::NPVariantToVariant(read, *value);
        return S_OK;
    });
}

STDMETHODIMP AdapterCOM::setPropVal(BSTR name, VARIANT* value) {
    const HomeSite site(m_site);
    if (!site) return E_FAIL;
    return guarded([&] { return answer(site->Write(text_of(name), json_of(value))); });
}

// The add-in's own threads may not drive the object through its host.
STDMETHODIMP AdapterCOM::call(BSTR name, VARIANT* params, VARIANT* result) {
    if (!m_site.onHomeThread()) return E_FAIL;
    return guarded([&] {
        const com_addin::AddInConnection::CallScope scope(m_addIn);
        return com_addin::context_call(m_addIn.extender(), name, params, result);
    });
}

STDMETHODIMP AdapterCOM::AddError(LPCOLESTR /*name*/, EXCEPINFO* info) {
    if (info == nullptr) return E_POINTER;
    return reportError(info->wCode, info->bstrSource, info->bstrDescription, info->scode);
}

HRESULT AdapterCOM::reportError(unsigned short wCode, BSTR source, BSTR description,
                                long scode) {
    const HomeSite site(m_site);
    if (!site) return E_FAIL;
    return guarded([&] {
        return answer(site->AddError(wCode, text_of(source), text_of(description), scode));
    });
}

STDMETHODIMP AdapterCOM::GetAppMainFrame(long*) { return E_NOTIMPL; }

STDMETHODIMP AdapterCOM::GetAppMDIFrame(long*) { return E_NOTIMPL; }

STDMETHODIMP AdapterCOM::CreateAddInWindow(BSTR, BSTR, long, long, RECT*, long, long*,
                                           IDispatch**) {
    return E_NOTIMPL;
}

// A box from another thread fails without showing, the answer left as the add-in had it.
STDMETHODIMP AdapterCOM::Confirm(BSTR text, VARIANT* answerValue) {
    if (!m_site.onHomeThread()) return E_FAIL;
    if (!HomeSite(m_site)) return E_NOTIMPL;
    if (answerValue != nullptr) ::VariantInit(answerValue);
    return guarded([&] {
        const CNPVariant yes(show_message_box(text_of(text), eMessageBoxYesNo));
        if (answerValue != nullptr) Utils::NPVariantToVariant(yes, *answerValue);
        return S_OK;
    });
}

STDMETHODIMP AdapterCOM::Alert(BSTR text) {
    if (!m_site.onHomeThread()) return E_FAIL;
    if (!HomeSite(m_site)) return E_NOTIMPL;
    return guarded([&] {
        show_message_box(text_of(text), eMessageBoxOk);
        return S_OK;
    });
}

// The record is made on the host's thread and never rewritten; another thread reads the one
// made last, or fails before there is one.
STDMETHODIMP AdapterCOM::GetPlatformInfo(com_addin::PlatformInfoRecord** info) {
    if (!m_site.onHomeThread()) {
        const Site site(m_site);
        return site ? m_platform.handOutLatest(info) : E_FAIL;
    }
    if (!HomeSite(m_site)) return E_FAIL;
    if (info == nullptr) return E_POINTER;
    return guarded([&] {
        UnicodeString version;
        UnicodeString userAgent;
        Utils::UTF8ToWide(g_version, version, false);
        Utils::UTF8ToWide(g_userAgent, userAgent, false);
        com_addin::PlatformInfoRecord* record =
            m_platform.keep(reinterpret_cast<const wchar_t*>(version.c_str()),
                            reinterpret_cast<const wchar_t*>(userAgent.c_str()));
        if (record == nullptr) return E_OUTOFMEMORY;
        *info = record;
        return S_OK;
    });
}
