#include "adapter_native.h"

#include <cstdlib>

#include "bstr_holder.h"
#include "com_boundary.h"
#include "counted_hold.h"
#include "interface_holder.h"
#include "native_boundary.h"
#include "page_thread_later.h"
#include "parameter_records.h"
#include "server_text.h"
#include "uncounted_listener.h"
#include "variant_conv.h"

namespace {

BSTR bstr_of(const uint16_t* text) {
    return text != nullptr ? SysAllocString(reinterpret_cast<const OLECHAR*>(text)) : nullptr;
}

const uint16_t* units(const std::u16string& text) {
    return reinterpret_cast<const uint16_t*>(text.c_str());
}

std::u16string text_of(const OLECHAR* text) {
    return text != nullptr ? std::u16string(reinterpret_cast<const char16_t*>(text))
                           : std::u16string();
}

// The path is already in the thread's ANSI code page.
HMODULE open_ansi_library(const std::string& path) { return LoadLibraryA(path.c_str()); }

// Element i of a one-dimensional array, or false when there is none.
bool array_element(SAFEARRAY* array, long i, VARIANT* value) {
    long lower = 0;
    SafeArrayGetLBound(array, 1, &lower);
    long index = lower + i;
    return SUCCEEDED(SafeArrayGetElement(array, &index, value));
}

long array_count(const VARIANT* params) {
    if (params == nullptr || (params->vt & VT_ARRAY) == 0 || params->parray == nullptr ||
        SafeArrayGetDim(params->parray) != 1) {
        return 0;
    }
    long lower = 0, upper = -1;
    SafeArrayGetLBound(params->parray, 1, &lower);
    SafeArrayGetUBound(params->parray, 1, &upper);
    return upper - lower + 1;
}

// The value of a record that the call's records still own: the conversion reads a copy, by
// the sizes of the blocks `sizes` handed out, and leaves the buffers to them.
void value_of(const tVariant& record, VARIANT* value, const SizedAddInMemory& sizes) {
    tVariant view = record;
    SizedReading reading(sizes);
    tvariant_to_variant(&view, value, &reading);
}

}  // namespace

AdapterNative::AdapterNative(IUnknown* outer)
    : velmor_atl::DispatchImpl<IAdapterNative>(IID_IAdapterNative),
      SizedAddInMemory(std::malloc, std::free),
      velmor_atl::ComObjectRoot(outer),
      m_addIn(static_cast<NativeAddIn::Owner*>(this)) {
    m_platform.AppVersion = units(m_versionText);
    m_platform.UserAgentInformation = units(m_userAgentText);
    m_platform.Application = eAppWebClient;
}

// The site calls done first: destroying the adapter does not unload a live object, nor the
// library that holds one.
AdapterNative::~AdapterNative() = default;

void* AdapterNative::findInterface(REFIID iid) {
    if (IsEqualIID(iid, IID_IAdapterNative) || IsEqualIID(iid, IID_IDispatch)) {
        return static_cast<IAdapterNative*>(this);
    }
    if (IsEqualIID(iid, quillon::IID_IContext)) return static_cast<quillon::IContext*>(this);
    if (IsEqualIID(iid, quillon::IID_IAdapterDefBase)) {
        return static_cast<quillon::IAdapterDefBase*>(this);
    }
    return nullptr;
}

quillon::ISiteEx* AdapterNative::siteEx() {
    quillon::ISiteEx* site = nullptr;
    if (m_listener == nullptr ||
        FAILED(m_listener->QueryInterface(quillon::IID_ISiteEx, reinterpret_cast<void**>(&site)))) {
        return nullptr;
    }
    return site;
}

// ---- IAdapterDefBase

// The add-in's threads reach the listener only through the relay: once it is cut (waiting for
// their calls under way), the listener may go.
HRESULT AdapterNative::setSite(IUnknown* site) {
    if (site == nullptr) {
        m_addIn.cutHost();
        m_listener = nullptr;
        return E_FAIL;
    }
    quillon::IInnerListener* listener = nullptr;
    const HRESULT hr = site->QueryInterface(quillon::IID_IInnerListener,
                                            reinterpret_cast<void**>(&listener));
    if (SUCCEEDED(hr)) m_listener = uncounted_listener(listener);
    return hr;
}

HRESULT AdapterNative::getInfo(long* version) {
    IComponentBase* component = m_addIn.component();
    if (component == nullptr) return E_FAIL;
    if (version == nullptr) return E_POINTER;
    NativeAddIn::CallScope scope(m_addIn);
    *version = component->GetInfo();
    return S_OK;
}

HRESULT AdapterNative::registerExtensionAs(BSTR* name) {
    IComponentBase* component = m_addIn.component();
    if (component == nullptr) return E_FAIL;
    if (name == nullptr) return E_POINTER;
    NativeAddIn::CallScope scope(m_addIn);
    uint16_t* extension = nullptr;
    if (!component->RegisterExtensionAs(&extension)) return E_FAIL;
    // Up to its terminator, and no further than its block.
    *name = extension != nullptr
                ? SysAllocStringLen(reinterpret_cast<const OLECHAR*>(extension),
                                    static_cast<UINT>(
                                        readable_text(this, extension, kUpToTerminator)))
                : nullptr;
    if (extension != nullptr) {
        void* block = extension;
        FreeMemory(&block);
    }
    return S_OK;
}

HRESULT AdapterNative::isLoaded(int* loaded) {
    if (loaded == nullptr) return E_POINTER;
    *loaded = m_addIn.component() != nullptr ? 1 : 0;
    return S_OK;
}

HRESULT AdapterNative::load(BSTR className, BSTR fileName) {
    return com_addin::guarded([&] {
        if (className != nullptr) m_className = text_of(className);
        if (fileName == nullptr) return E_FAIL;
        m_fileName = text_of(fileName);
        const std::string path = thread_ansi(reinterpret_cast<const wchar_t*>(m_fileName.c_str()));
        if (!m_addIn.openLibrary(path, open_ansi_library)) return E_FAIL;
        const NativeAddIn::ConnectResult result =
            m_addIn.connect(units(m_className), static_cast<IAddInDefBaseEx*>(this),
                            static_cast<IMemoryManager*>(this), NativeAddIn::eAnnounceAndObey);
        return result == NativeAddIn::eConnected ? S_OK : E_FAIL;
    });
}

// A zero-time timer of the page's thread: its message loop runs it once the add-in's own code
// has returned.
bool AdapterNative::endLater() { return askLater(controllingUnknown()); }

void AdapterNative::runLater() { m_addIn.finishIfPending(); }

// The page may let go of the site, and so of this adapter, from a callback of Done or of the
// object's destructor: the adapter stays until the finish has returned.
HRESULT AdapterNative::done() {
    AddRef();
    m_addIn.finish();
    Release();
    return S_OK;
}

HRESULT AdapterNative::getPropPage(IUnknown**) { return E_NOTIMPL; }

HRESULT AdapterNative::getCLSID(CLSID*) { return E_NOTIMPL; }

HRESULT AdapterNative::setLocale(BSTR locale) {
    return com_addin::guarded([&] {
        IComponentBase* component = m_addIn.component();
        if (component == nullptr) return E_FAIL;
        NativeAddIn::CallScope scope(m_addIn);
        const std::u16string text = text_of(locale);
        component->SetLocale(units(text));
        return S_OK;
    });
}

// ---- IContext

HRESULT AdapterNative::getPropVal(BSTR name, VARIANT* value) {
    return com_addin::guarded([&] {
        IComponentBase* const component = m_addIn.component();
        if (component == nullptr) return E_FAIL;
        if (value == nullptr) return E_POINTER;
        NativeAddIn::CallScope scope(m_addIn);
        const std::u16string text = text_of(name);
        const long index = component->FindProp(units(text));
        if (index == -1) return DISP_E_MEMBERNOTFOUND;
        if (!component->IsPropReadable(index)) return E_FAIL;
        ParameterRecords records(this, this);
        records.reset(1);
        records.lend();
        const bool read = component->GetPropVal(index, &records[0]);
        value_of(records[0], value, *this);
        return read ? S_OK : E_FAIL;
    });
}

HRESULT AdapterNative::setPropVal(BSTR name, VARIANT* value) {
    return com_addin::guarded([&] {
        IComponentBase* const component = m_addIn.component();
        if (component == nullptr) return E_FAIL;
        NativeAddIn::CallScope scope(m_addIn);
        const std::u16string text = text_of(name);
        const long index = component->FindProp(units(text));
        if (index == -1) return DISP_E_MEMBERNOTFOUND;
        if (!component->IsPropWritable(index)) return E_FAIL;
        ParameterRecords records(this, this);
        records.reset(1);
        variant_to_tvariant(value, &records[0], this);
        records.lend();
        const bool written = component->SetPropVal(index, &records[0]);
        return written ? S_OK : E_FAIL;
    });
}

HRESULT AdapterNative::call(BSTR name, VARIANT* params, VARIANT* result) {
    return com_addin::guarded([&] {
        IComponentBase* const component = m_addIn.component();
        if (component == nullptr) return E_FAIL;
        NativeAddIn::CallScope scope(m_addIn);
        const std::u16string text = text_of(name);
        const long method = component->FindMethod(units(text));
        if (method == -1) return DISP_E_MEMBERNOTFOUND;
        const long n = component->GetNParams(method);
        const long k = array_count(params);
        ParameterRecords parameters(this, this);
        parameters.reset(static_cast<size_t>(n > 0 ? n : 0));
        for (long i = 0; i < n; ++i) {
            tVariant& parameter = parameters[static_cast<size_t>(i)];
            VARIANT supplied;
            VariantInit(&supplied);
            if (i < k && array_element(params->parray, i, &supplied)) {
                variant_to_tvariant(&supplied, &parameter, this);
                VariantClear(&supplied);
            } else {
                component->GetParamDefValue(method, i, &parameter);
            }
        }
        // The defaults' blocks go back to the same memory manager as the host's texts.
        parameters.lend();
        bool called = false;
        if (component->HasRetVal(method)) {
            called = component->CallAsFunc(method, &parameters.result(), parameters.data(), n);
            if (result != nullptr) value_of(parameters.result(), result, *this);
        } else {
            called = component->CallAsProc(method, parameters.data(), n);
        }
        // The parameters as the call left them, in an array of the supplied size; values the
        // method does not take are handed back as the page gave them.
        if (k > 0 && n > 0) {
            SAFEARRAY* updated = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(k));
            for (long i = 0; updated != nullptr && i < k; ++i) {
                VARIANT value;
                VariantInit(&value);
                if (i < n) {
                    value_of(parameters[static_cast<size_t>(i)], &value, *this);
                } else {
                    array_element(params->parray, i, &value);
                }
                SafeArrayPutElement(updated, &i, &value);
                VariantClear(&value);
            }
            if (updated != nullptr) {
                SafeArrayDestroy(params->parray);
                params->parray = updated;
            }
        }
        return called ? S_OK : E_FAIL;
    });
}

// ---- IAddInDefBaseEx: called by the add-in (the reader thread's calls straight to the
// site's queue), so each answers its failure rather than let anything thrown reach it
// (native_boundary.h). On the page's thread each holds the site for its call: the page may
// let go of it meanwhile.

bool AdapterNative::AddError(unsigned short wcode, const uint16_t* source, const uint16_t* descr,
                             long scode) {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_listener == nullptr) return false;
        return SUCCEEDED(m_listener->AddError(wcode, bstr_of(source), bstr_of(descr), scode));
    });
}

bool AdapterNative::Read(uint16_t* wszPropName, tVariant* pVal, long* pErrCode, uint16_t**) {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_listener == nullptr) return false;
        VARIANT value;
        VariantInit(&value);
        const HRESULT hr = m_listener->Read(bstr_of(wszPropName), &value, pErrCode, nullptr);
        if (pVal != nullptr) variant_to_tvariant(&value, pVal, this);
        VariantClear(&value);
        return SUCCEEDED(hr);
    });
}

bool AdapterNative::Write(uint16_t* wszPropName, tVariant* pVar) {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_listener == nullptr) return false;
        VARIANT value;
        VariantInit(&value);
        tvariant_to_variant(pVar, &value, this);
        const HRESULT hr = m_listener->Write(bstr_of(wszPropName), &value);
        VariantClear(&value);
        return SUCCEEDED(hr);
    });
}

bool AdapterNative::RegisterProfileAs(uint16_t* wszProfileName) {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_listener == nullptr) return false;
        return SUCCEEDED(m_listener->RegisterProfileAs(bstr_of(wszProfileName)));
    });
}

bool AdapterNative::SetEventBufferDepth(long lDepth) {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_listener == nullptr) return false;
        return SUCCEEDED(m_listener->SetEventBufferDepth(lDepth));
    });
}

long AdapterNative::GetEventBufferDepth() {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(0L, [&] {
        if (m_listener == nullptr) return 0L;
        long depth = 0;
        m_listener->GetEventBufferDepth(&depth);
        return depth;
    });
}

bool AdapterNative::ExternalEvent(uint16_t* wszSource, uint16_t* wszMessage, uint16_t* wszData) {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_listener == nullptr) return false;
        return SUCCEEDED(m_listener->ExternalEvent(bstr_of(wszSource), bstr_of(wszMessage),
                                                   bstr_of(wszData)));
    });
}

void AdapterNative::CleanEventBuffer() {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    native_boundary::guarded([&] {
        if (m_listener != nullptr) m_listener->CleanEventBuffer();
    });
}

bool AdapterNative::SetStatusLine(uint16_t* wszStatusLine) {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_listener == nullptr) return false;
        return SUCCEEDED(m_listener->SetStatusLine(bstr_of(wszStatusLine)));
    });
}

void AdapterNative::ResetStatusLine() {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    native_boundary::guarded([&] {
        if (m_listener != nullptr) m_listener->ResetStatusLine();
    });
}

IInterface* AdapterNative::GetInterface(Interfaces iface) {
    if (iface == eIMsgBox) return static_cast<IMsgBoxN*>(this);
    if (iface == eIPlatformInfo) return static_cast<IPlatformInfoN*>(this);
    return nullptr;
}

// ---- IMsgBoxN

bool AdapterNative::Confirm(const uint16_t* queryText, tVariant* retVal) {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        quillon::ISiteEx* site = siteEx();
        if (site == nullptr) return false;
        BSTR text = bstr_of(queryText);
        VARIANT answer;
        VariantInit(&answer);
        const HRESULT hr = site->queryBox(text, &answer);
        SysFreeString(text);
        site->Release();
        if (SUCCEEDED(hr) && retVal != nullptr) variant_to_tvariant(&answer, retVal, this);
        VariantClear(&answer);
        return SUCCEEDED(hr);
    });
}

bool AdapterNative::Alert(const uint16_t* text) {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        quillon::ISiteEx* site = siteEx();
        if (site == nullptr) return false;
        BSTR message = bstr_of(text);
        const HRESULT hr = site->messageBox(message);
        SysFreeString(message);
        site->Release();
        return SUCCEEDED(hr);
    });
}

// ---- IPlatformInfoN

const AppInfo* AdapterNative::GetPlatformInfo() {
    const CountedHold<quillon::IInnerListener> siteHold(m_listener, m_addIn.onHostThread());
    return native_boundary::guarded<const AppInfo*>(nullptr, [&]() -> const AppInfo* {
        // Held by owners: copying a text may fail, and nothing the page gave is lost then.
        const com_addin::InterfaceHolder<quillon::ISiteEx> site(siteEx());
        if (!site) return nullptr;
        VARIANT agent;
        VariantInit(&agent);
        const HRESULT agentResult = site->getUserAgent(&agent);
        com_addin::BstrHolder agentText;
        if (SUCCEEDED(VariantChangeType(&agent, &agent, 0, VT_BSTR)) && agent.vt == VT_BSTR) {
            agentText.reset(agent.bstrVal);
        } else {
            VariantClear(&agent);
        }
        com_addin::BstrHolder version;
        site->getVersion(version.put());
        m_versionText = text_of(version.get());
        if (agentText.get() != nullptr) {
            m_userAgentText = text_of(agentText.get());
        } else {
            m_userAgentText.clear();
        }
        m_platform.AppVersion = units(m_versionText);
        m_platform.UserAgentInformation = units(m_userAgentText);
        m_platform.Application = eAppWebClient;
        return FAILED(agentResult) ? nullptr : &m_platform;
    });
}
