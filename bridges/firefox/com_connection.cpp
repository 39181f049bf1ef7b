#include "com_connection.h"

#include "com_ids.h"
#include "nsCOMPtr.h"
#include "nsStringAPI.h"
#include "ole_variants.h"
#include "profile_error.h"
#include "variant_tvariant.h"

using namespace com_addin;

namespace {

// The listener for a callback from any thread (the events and the depth), and for one of the
// main thread's alone, which finds none on any other thread.
using Listener = CallbackTarget<IInnerListener>::Use;
using HomeListener = CallbackTarget<IInnerListener>::HomeUse;

// What the site answers a profile read it refuses: the same from here, without asking it.
const int32_t kReadRefused = static_cast<int32_t>(NS_ERROR_UNEXPECTED);

// BSTRs and interface strings are UTF-16, as the listener's texts; null counts as empty.
const char16_t* text_of(const wchar_t* text) {
    return text != nullptr ? reinterpret_cast<const char16_t*>(text) : u"";
}

}  // namespace

void* ComConnection::part(const nsID& iid) {
    const GUID id = guid_of(iid);
    if (IsEqualIID(id, IID_IStatusLine)) return static_cast<IStatusLine*>(this);
    if (IsEqualIID(id, IID_IAsyncEvent)) return static_cast<IAsyncEvent*>(this);
    if (IsEqualIID(id, IID_IDispatch)) return static_cast<IDispatch*>(this);
    if (IsEqualIID(id, IID_IErrorLog)) return static_cast<IErrorLog*>(this);
    if (IsEqualIID(id, IID_IPropertyBag) || IsEqualIID(id, IID_IPropertyProfile)) {
        return static_cast<IPropertyProfile*>(this);
    }
    return nullptr;
}

// ---- IUnknown

HRESULT ComConnection::QueryInterface(REFIID iid, void** out) {
    return static_cast<HRESULT>(m_owner.QueryInterface(nsid_of(iid), out));
}

ULONG ComConnection::AddRef() { return m_owner.AddRef(); }
ULONG ComConnection::Release() { return m_owner.Release(); }

// ---- IDispatch

HRESULT ComConnection::GetTypeInfoCount(UINT* count) {
    if (count != nullptr) *count = 0;
    return S_OK;
}

// No type information; the add-in's pointer is set all the same, as it may not be initialised.
HRESULT ComConnection::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return E_FAIL;
}

HRESULT ComConnection::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT ComConnection::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                              UINT*) {
    return E_NOTIMPL;
}

// ---- IAsyncEvent

HRESULT ComConnection::SetEventBufferDepth(long depth) {
    const Listener listener(m_listener);
    if (!listener) return E_FAIL;
    listener->SetEventBufferDepth(static_cast<int32_t>(depth));
    return S_OK;
}

HRESULT ComConnection::GetEventBufferDepth(long* depth) {
    const Listener listener(m_listener);
    if (!listener) return E_FAIL;
    if (depth == nullptr) return E_POINTER;
    *depth = listener->GetEventBufferDepth();
    return S_OK;
}

HRESULT ComConnection::ExternalEvent(BSTR source, BSTR message, BSTR data) {
    const Listener listener(m_listener);
    if (!listener) return E_FAIL;
    // An event the site could not keep (the delivery queue full) is the add-in's to know of.
    return listener->ExternalEvent(text_of(source), text_of(message), text_of(data)) ? S_OK
                                                                                     : E_FAIL;
}

HRESULT ComConnection::CleanEventBuffer() {
    const HomeListener listener(m_listener);
    if (!listener) return E_FAIL;
    listener->CleanEventBuffer();
    return S_OK;
}

// ---- IStatusLine

HRESULT ComConnection::SetStatusLine(BSTR text) {
    const HomeListener listener(m_listener);
    if (!listener) return E_FAIL;
    listener->SetStatusLine(text_of(text));
    return S_OK;
}

HRESULT ComConnection::ResetStatusLine() {
    const HomeListener listener(m_listener);
    if (!listener) return E_FAIL;
    listener->ResetStatusLine();
    return S_OK;
}

// ---- IPropertyProfile

// From another thread the read is refused as the site refuses it, without asking the site:
// nothing read, the error log told, S_OK.
HRESULT ComConnection::Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) {
    const HomeListener listener(m_listener);
    const bool refused = !m_listener.onHomeThread();
    if (!listener && !refused) return E_FAIL;
    if (value == nullptr) return E_POINTER;
    VariantInit(value);
    if (refused) {
        if (log != nullptr) report_profile_error(log, name, L"", kReadRefused);
        return S_OK;
    }
    nsCOMPtr<nsIVariant> read;
    int32_t error = 0;
    nsString description;
    if (listener->Read(text_of(name), getter_AddRefs(read), &error, description)) {
        if (read) nsvariant_to_variant(read.get(), value, nullptr);
    } else if (log != nullptr) {
        report_profile_error(log, name, reinterpret_cast<const wchar_t*>(description.get()),
                             error);
    }
    return S_OK;
}

HRESULT ComConnection::Write(LPCOLESTR name, VARIANT* value) {
    const HomeListener listener(m_listener);
    if (!listener) return E_FAIL;
    nsCOMPtr<nsIWritableVariant> written;
    if (!createJSVariant(getter_AddRefs(written)) || !written) return E_OUTOFMEMORY;
    if (value != nullptr) variant_to_nsvariant(value, written.get());
    return listener->Write(text_of(name), written.get()) ? S_OK : E_FAIL;
}

HRESULT ComConnection::RegisterProfileAs(BSTR name) {
    const HomeListener listener(m_listener);
    if (!listener) return E_FAIL;
    return listener->RegisterProfileAs(text_of(name)) ? S_OK : E_FAIL;
}

// ---- IErrorLog

HRESULT ComConnection::AddError(LPCOLESTR, EXCEPINFO* info) {
    const HomeListener listener(m_listener);
    if (!listener) return E_FAIL;
    if (info == nullptr) return E_POINTER;
    return listener->AddError(info->wCode, text_of(info->bstrSource),
                              text_of(info->bstrDescription),
                              static_cast<int32_t>(info->scode))
               ? S_OK
               : E_FAIL;
}
