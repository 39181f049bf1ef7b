#include "adapter_cpp.h"

#include <cstring>
#include <vector>

#include "addin_site.h"
#include "counted_hold.h"
#include "json_tvariant.h"
#include "log_event.h"
#include "main_thread_later.h"
#include "native_boundary.h"
#include "parameter_records.h"
#include "nsCOMPtr.h"
#include "nsXPCOM.h"
#include "variant_tvariant.h"

namespace {

void* xpcom_alloc(size_t bytes) { return NS_Alloc(bytes); }
void xpcom_free(void* block) { NS_Free(block); }

ILanguageExtenderBase* extender(IComponentBase* component) { return component; }
LocaleBase* locale_part(IComponentBase* component) { return component; }

nsCOMPtr<nsIWritableVariant> new_variant() {
    nsCOMPtr<nsIWritableVariant> variant;
    if (!createJSVariant(getter_AddRefs(variant))) variant = nullptr;
    return variant;
}

// The value of a record that the call's records still own: the conversion reads a copy, by
// the sizes of the blocks `sizes` handed out, and leaves the buffers to them.
void value_of(const tVariant& record, nsIWritableVariant& value, const SizedAddInMemory& sizes) {
    tVariant view = record;
    SizedReading reading(sizes);
    tvariant_to_value(view, value, &reading);
}

// Variants made for the page, each holding one reference until the list is dropped.
class VariantList {
public:
    explicit VariantList(size_t capacity) { m_items.reserve(capacity); }
    ~VariantList() {
        for (nsIVariant* item : m_items) item->Release();
    }
    VariantList(const VariantList&) = delete;
    VariantList& operator=(const VariantList&) = delete;
    // Never allocates within the capacity given.
    void add(nsCOMPtr<nsIWritableVariant>& item) { m_items.push_back(item.forget().take()); }
    nsIVariant** data() { return m_items.data(); }
    uint32_t size() const { return static_cast<uint32_t>(m_items.size()); }

private:
    std::vector<nsIVariant*> m_items;
};


}  // namespace

AdapterCpp::AdapterCpp()
    : SizedAddInMemory(xpcom_alloc, xpcom_free),
      m_pDispIntf(nullptr),
      m_addIn(static_cast<NativeAddIn::Owner*>(this)),
      m_throwError(false),
      m_appInfo() {
    m_appInfo.AppVersion = nullptr;
    m_appInfo.UserAgentInformation = nullptr;
    m_appInfo.Application = eAppWebClient;
}

// A library that gave no object (or whose object is gone) is not left loaded (NativeAddIn).
AdapterCpp::~AdapterCpp() { m_addIn.finish(); }

// ---- nsISupports

NS_IMETHODIMP AdapterCpp::QueryInterface(REFNSIID aIID, void** aInstancePtr) {
    if (aInstancePtr == nullptr) return NS_ERROR_NULL_POINTER;
    nsISupports* part = nullptr;
    if (aIID.Equals(NS_GET_IID(IComponentDef))) {
        part = static_cast<IComponentDef*>(this);
    } else if (aIID.Equals(NS_GET_IID(IContextExt))) {
        part = static_cast<IContextExt*>(this);
    } else if (aIID.Equals(NS_GET_IID(nsISupports))) {
        part = static_cast<IComponentDef*>(this);
    }
    *aInstancePtr = part;
    if (part == nullptr) return NS_ERROR_NO_INTERFACE;
    part->AddRef();
    return NS_OK;
}

NS_IMPL_ADDREF(AdapterCpp)

// The count cannot come back from zero: the object's Done, run from the destructor, may call
// its host, which keeps the adapter for the call.
NS_IMETHODIMP_(nsrefcnt) AdapterCpp::Release() {
    const nsrefcnt count = --mRefCnt;
    if (count != 0) return count;
    ++mRefCnt;
    delete this;
    return 0;
}

bool AdapterCpp::endLater() { return askLater(static_cast<IComponentDef*>(this)); }

void AdapterCpp::runLater() { m_addIn.finishIfPending(); }

// ---- IComponentDef

// The add-in's threads reach the listener only through the relay: once it is cut (waiting for
// their calls under way), the listener may change.
NS_IMETHODIMP_(bool) AdapterCpp::Initialize(IInnerListener* listener) {
    if (listener == nullptr) m_addIn.cutHost();
    m_pDispIntf = listener;
    return true;
}

NS_IMETHODIMP_(int32_t) AdapterCpp::GetInfo() {
    IComponentBase* component = m_addIn.component();
    if (component == nullptr) return 0;
    NativeAddIn::CallScope scope(m_addIn);
    return static_cast<int32_t>(component->GetInfo());
}

NS_IMETHODIMP_(void) AdapterCpp::RegisterExtensionAs(nsAString& extensionName) {
    IComponentBase* component = m_addIn.component();
    if (component == nullptr) return;
    NativeAddIn::CallScope scope(m_addIn);
    uint16_t* name = nullptr;
    preMethod();
    const bool ok = extender(component)->RegisterExtensionAs(&name);
    postMethod();
    if (!ok) return;
    // Up to its terminator, and no further than its block.
    const size_t length = readable_text(this, name, kUpToTerminator);
    extensionName.Assign(name != nullptr ? chars(name) : u"", static_cast<uint32_t>(length));
    void* block = name;
    FreeMemory(&block);
}

NS_IMETHODIMP_(bool) AdapterCpp::IsComponentLoaded() { return m_addIn.component() != nullptr; }

NS_IMETHODIMP_(bool) AdapterCpp::Connect(const char16_t* wsClass, const char16_t* wsLib) {
    if (wsClass != nullptr) m_wsClsName = wsClass;
    if (wsLib == nullptr) return false;
    m_libName = wsLib;
    // Connected already: a second object would leak.
    if (m_addIn.component() != nullptr) return true;
    if (!m_addIn.openLibrary(utf8_of(wsLib))) return false;
    preMethod();
    const NativeAddIn::ConnectResult result = m_addIn.connect(
        units(m_wsClsName.c_str()), static_cast<IAddInDefBaseEx*>(this),
        static_cast<IMemoryManager*>(this),
        g_newIntrfc ? NativeAddIn::eAnnounceOnly : NativeAddIn::eAnnounceNot);
    postMethod();
    return result == NativeAddIn::eConnected;
}

// The page may let go of the site, and so of this adapter, from a callback of Done or of the
// object's destructor: the adapter stays until the finish has returned.
NS_IMETHODIMP_(void) AdapterCpp::Disconnect() {
    const nsCOMPtr<IComponentDef> self(this);
    m_addIn.finish();
}

NS_IMETHODIMP_(void) AdapterCpp::GetPropPage(void*) {}

NS_IMETHODIMP_(nsID) AdapterCpp::GetCLSID() {
    nsID none;
    std::memset(&none, 0, sizeof none);
    return none;
}

NS_IMETHODIMP_(void) AdapterCpp::SetLocale(const char16_t* locale) {
    IComponentBase* component = m_addIn.component();
    if (component == nullptr) return;
    NativeAddIn::CallScope scope(m_addIn);
    preMethod();
    locale_part(component)->SetLocale(units(locale != nullptr ? locale : u""));
    postMethod();
}

// ---- reflection: the component's, on a connected adapter (the site calls nothing else)

// `component` for the rest of the method, which counts as a call into it (a finish asked for
// from a callback waits for its end).
#define VELMOR_NEED_COMPONENT(failure)                         \
    IComponentBase* const component = m_addIn.component();    \
    if (component == nullptr) return failure;                  \
    NativeAddIn::CallScope scope(m_addIn)

char16_t* AdapterCpp::takeName(const uint16_t* text) {
    const size_t length = readable_text(this, text, kUpToTerminator);
    char16_t* copy = static_cast<char16_t*>(NS_Alloc((length + 1) * sizeof(char16_t)));
    if (copy != nullptr) {
        if (length > 0) std::memcpy(copy, text, length * sizeof(char16_t));
        copy[length] = 0;
    }
    void* block = const_cast<uint16_t*>(text);
    FreeMemory(&block);
    return copy;
}

NS_IMETHODIMP AdapterCpp::GetNProps(int32_t* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = -1;
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    preMethod();
    *_retval = static_cast<int32_t>(extender(component)->GetNProps());
    postMethod();
    return NS_OK;
}

NS_IMETHODIMP AdapterCpp::GetPropName(int32_t propPos, int32_t alias, char16_t** _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    preMethod();
    *_retval = takeName(extender(component)->GetPropName(propPos, alias));
    postMethod();
    return *_retval != nullptr ? NS_OK : NS_ERROR_OUT_OF_MEMORY;
}

NS_IMETHODIMP AdapterCpp::IsPropReadable(int32_t propPos, bool* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    preMethod();
    *_retval = extender(component)->IsPropReadable(propPos);
    postMethod();
    return NS_OK;
}

NS_IMETHODIMP AdapterCpp::IsPropWritable(int32_t propPos, bool* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    *_retval = extender(component)->IsPropWritable(propPos);
    return NS_OK;
}

NS_IMETHODIMP_(int32_t) AdapterCpp::FindProp(const char16_t* pszPropName) {
    VELMOR_NEED_COMPONENT(-1);
    preMethod();
    const long index = extender(component)->FindProp(units(pszPropName != nullptr ? pszPropName : u""));
    postMethod();
    return static_cast<int32_t>(index);
}

NS_IMETHODIMP AdapterCpp::GetNMethods(int32_t* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = -1;
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    preMethod();
    *_retval = static_cast<int32_t>(extender(component)->GetNMethods());
    postMethod();
    return NS_OK;
}

NS_IMETHODIMP AdapterCpp::GetMethodName(int32_t nMethodPos, int32_t alias, char16_t** _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    preMethod();
    *_retval = takeName(extender(component)->GetMethodName(nMethodPos, alias));
    postMethod();
    return *_retval != nullptr ? NS_OK : NS_ERROR_OUT_OF_MEMORY;
}

NS_IMETHODIMP AdapterCpp::GetNParams(int32_t nMethodPos, int32_t* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = -1;
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    preMethod();
    *_retval = static_cast<int32_t>(extender(component)->GetNParams(nMethodPos));
    postMethod();
    return NS_OK;
}

NS_IMETHODIMP_(bool) AdapterCpp::IsParamIn(int32_t, int32_t) { return true; }
NS_IMETHODIMP_(bool) AdapterCpp::IsParamOut(int32_t, int32_t) { return false; }

NS_IMETHODIMP_(bool) AdapterCpp::GetParamDefValue(int32_t nMethodPos, int32_t nParamPos,
                                                  nsIVariant** pDefVal) {
    VELMOR_NEED_COMPONENT(false);
    ParameterRecords records(this, this);
    records.reset(1);
    records.lend();
    preMethod();
    const bool answer = extender(component)->GetParamDefValue(nMethodPos, nParamPos, &records[0]);
    nsCOMPtr<nsIWritableVariant> variant = new_variant();
    if (variant) value_of(records[0], *variant, *this);
    if (pDefVal != nullptr) *pDefVal = variant.forget().take();
    postMethod();
    return answer;
}

NS_IMETHODIMP_(bool) AdapterCpp::HasRetVal(int32_t nMethodPos) {
    VELMOR_NEED_COMPONENT(false);
    preMethod();
    const bool answer = extender(component)->HasRetVal(nMethodPos);
    postMethod();
    return answer;
}

NS_IMETHODIMP_(int32_t) AdapterCpp::FindMethod(const char16_t* pszMethodName) {
    VELMOR_NEED_COMPONENT(-1);
    preMethod();
    const long index =
        extender(component)->FindMethod(units(pszMethodName != nullptr ? pszMethodName : u""));
    postMethod();
    return static_cast<int32_t>(index);
}

NS_IMETHODIMP_(nsIVariant*) AdapterCpp::GetIContextDef() { return nullptr; }

NS_IMETHODIMP AdapterCpp::GetPropVal(int32_t propPos, nsIVariant** value, bool* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    ParameterRecords records(this, this);
    records.reset(1);
    records.lend();
    preMethod();
    ILanguageExtenderBase* ext = extender(component);
    bool ok = false;
    if (ext->IsPropReadable(propPos)) ok = ext->GetPropVal(propPos, &records[0]);
    if (ok) {
        nsCOMPtr<nsIWritableVariant> variant = new_variant();
        if (variant) value_of(records[0], *variant, *this);
        if (value != nullptr) *value = variant.forget().take();
    }
    postMethod();
    *_retval = ok;
    return NS_OK;
}

NS_IMETHODIMP AdapterCpp::SetPropVal(int32_t nPropPos, nsIVariant* value, bool* _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = false;
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    preMethod();
    ParameterRecords records(this, this);
    records.reset(1);
    if (value != nullptr) value_to_tvariant(*value, records[0], this);
    records.lend();
    ILanguageExtenderBase* ext = extender(component);
    bool ok = false;
    if (ext->IsPropWritable(nPropPos)) ok = ext->SetPropVal(nPropPos, &records[0]);
    postMethod();
    *_retval = ok;
    return NS_OK;
}

// ---- calls

bool AdapterCpp::callComponent(IComponentBase* component, const char16_t* name,
                               nsIVariant* params, nsIVariant** result,
                               ParameterRecords& records, long& given) {
    const int32_t index = FindMethod(name);
    const bool hasRet = HasRetVal(index);
    preMethod();
    if (result != nullptr) *result = nullptr;
    int32_t size = 0;
    GetNParams(index, &size);
    if (size < 0) size = 0;
    int count = size;
    tVariant* converted = nullptr;
    given = params != nullptr ? nsvararray_to_tvariantarray(*params, &converted, this, &count) : 0;
    if (converted != nullptr) {
        records.adopt(converted, static_cast<size_t>(count));
    } else {
        records.reset(static_cast<size_t>(size));
    }
    const long total = static_cast<long>(records.size());
    if (given > total) given = total;
    ILanguageExtenderBase* ext = extender(component);
    for (long position = given; position < total; ++position) {
        ext->GetParamDefValue(index, position, &records[static_cast<size_t>(position)]);
    }
    records.lend();
    bool ok = false;
    if (hasRet) {
        ok = ext->CallAsFunc(index, &records.result(), records.data(), total);
        if (result != nullptr) {
            nsCOMPtr<nsIWritableVariant> variant = new_variant();
            if (variant) value_of(records.result(), *variant, *this);
            *result = variant.forget().take();
        }
    } else {
        ok = ext->CallAsProc(index, records.data(), total);
    }
    return ok;
}

NS_IMETHODIMP AdapterCpp::Call(const char16_t* name, nsIVariant* params, nsIVariant** _retval) {
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    ParameterRecords records(this, this);
    long given = 0;
    const bool ok = callComponent(component, name, params, _retval, records, given);
    postMethod();
    return ok ? NS_OK : NS_ERROR_FAILURE;
}

NS_IMETHODIMP AdapterCpp::CallExt(const char16_t* name, nsIVariant* params,
                                  nsIVariant** retParams, nsIVariant** _retval) {
    VELMOR_NEED_COMPONENT(NS_ERROR_NOT_INITIALIZED);
    ParameterRecords records(this, this);
    long given = 0;
    const bool ok = callComponent(component, name, params, _retval, records, given);
    if (records.size() > 0 && retParams != nullptr) {
        *retParams = nullptr;
        nsCOMPtr<nsIWritableVariant> list = new_variant();
        VariantList values(static_cast<size_t>(given));
        for (long i = 0; i < given; ++i) {
            nsCOMPtr<nsIWritableVariant> variant = new_variant();
            if (!variant) continue;
            value_of(records[static_cast<size_t>(i)], *variant, *this);
            values.add(variant);
        }
        if (list) {
            list->SetAsArray(nsIDataType::VTYPE_INTERFACE_IS, &NS_GET_IID(nsIVariant),
                             values.size(), values.data());
            *retParams = list.forget().take();
        }
    }
    postMethod();
    return ok ? NS_OK : NS_ERROR_FAILURE;
}

#undef VELMOR_NEED_COMPONENT

// ---- the add-in's callbacks: each answers its failure rather than let anything thrown reach
// the add-in (native_boundary.h). On the main thread each holds the site for its call: the
// page may let go of it meanwhile.

bool AdapterCpp::AddError(unsigned short wcode, const uint16_t* source, const uint16_t* descr,
                          long scode) {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    if (scode != 0) m_throwError = true;
    return native_boundary::guarded(false, [&] {
        return m_pDispIntf != nullptr &&
               m_pDispIntf->AddError(wcode, chars(source), chars(descr),
                                     static_cast<int32_t>(scode));
    });
}

bool AdapterCpp::Read(uint16_t* wszPropName, tVariant* pVal, long* pErrCode,
                      uint16_t** errDescriptor) {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    if (errDescriptor != nullptr) *errDescriptor = nullptr;
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf == nullptr) return false;
        nsCOMPtr<nsIVariant> value;
        int32_t error = 0;
        nsString description;
        const bool answer = m_pDispIntf->Read(chars(wszPropName), getter_AddRefs(value), &error,
                                              description);
        if (pErrCode != nullptr) *pErrCode = error;
        if (value && pVal != nullptr) value_to_tvariant(*value, *pVal, this);
        return answer;
    });
}

bool AdapterCpp::Write(uint16_t* wszPropName, tVariant* pVar) {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf == nullptr) return false;
        nsCOMPtr<nsIWritableVariant> value = new_variant();
        if (!value) return false;
        if (pVar != nullptr) tvariant_to_value(*pVar, *value, this);
        return m_pDispIntf->Write(chars(wszPropName), value.get());
    });
}

bool AdapterCpp::RegisterProfileAs(uint16_t* wszProfileName) {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        return m_pDispIntf != nullptr && m_pDispIntf->RegisterProfileAs(chars(wszProfileName));
    });
}

bool AdapterCpp::SetEventBufferDepth(long lDepth) {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        return m_pDispIntf != nullptr &&
               m_pDispIntf->SetEventBufferDepth(static_cast<int32_t>(lDepth));
    });
}

long AdapterCpp::GetEventBufferDepth() {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    return native_boundary::guarded(0L, [&] {
        return m_pDispIntf == nullptr ? 0L
                                      : static_cast<long>(m_pDispIntf->GetEventBufferDepth());
    });
}

// Runs on the add-in's reader thread. True when the site passed the event to the page or
// queued it; false without a listener, or when the event could not be kept (the delivery
// queue full, memory out).
bool AdapterCpp::ExternalEvent(uint16_t* wszSource, uint16_t* wszMessage, uint16_t* wszData) {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    log_event("ExternalEvent: before put %s\n", wszData);
    const bool kept = m_pDispIntf != nullptr && native_boundary::guarded(false, [&] {
        return m_pDispIntf->ExternalEvent(chars(wszSource), chars(wszMessage), chars(wszData));
    });
    log_event(kept ? "ExternalEvent: after  %s\n" : "ExternalEvent: failed put %s\n", wszData);
    return kept;
}

void AdapterCpp::CleanEventBuffer() {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    native_boundary::guarded([&] {
        if (m_pDispIntf != nullptr) m_pDispIntf->CleanEventBuffer();
    });
}

bool AdapterCpp::SetStatusLine(uint16_t* wszStatusLine) {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf == nullptr) return false;
        m_pDispIntf->SetStatusLine(chars(wszStatusLine));
        return true;
    });
}

void AdapterCpp::ResetStatusLine() {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    native_boundary::guarded([&] {
        if (m_pDispIntf != nullptr) m_pDispIntf->ResetStatusLine();
    });
}

IInterface* AdapterCpp::GetInterface(Interfaces iface) {
    switch (iface) {
        case eIMsgBox: return static_cast<IMsgBoxN*>(this);
        case eIPlatformInfo: return static_cast<IPlatformInfoN*>(this);
        default: return nullptr;
    }
}

bool AdapterCpp::Confirm(const uint16_t* queryText, tVariant* retVal) {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf == nullptr || !g_newIntrfc) return false;
        nsCOMPtr<nsIVariant> answer;
        const bool result = m_pDispIntf->ConfirmCB(chars(queryText), getter_AddRefs(answer));
        if (result && retVal != nullptr && answer) value_to_tvariant(*answer, *retVal, this);
        return result;
    });
}

bool AdapterCpp::Alert(const uint16_t* text) {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    return native_boundary::guarded(false, [&] {
        return m_pDispIntf != nullptr && g_newIntrfc && m_pDispIntf->AlertCB(chars(text));
    });
}

const AppInfo* AdapterCpp::GetPlatformInfo() {
    const CountedHold<IInnerListener> siteHold(m_pDispIntf, m_addIn.onHostThread());
    return native_boundary::guarded<const AppInfo*>(nullptr, [&]() -> const AppInfo* {
        if (m_pDispIntf == nullptr) return nullptr;
        nsString text;
        if (m_pDispIntf->GetUserAgentCB(text)) m_userAgent = wcstring_of(text.get());
        if (m_pDispIntf->GetVersionCB(text)) {
            m_verApp = wcstring_of(text.get());
            m_appInfo.AppVersion = units(m_verApp.c_str());
            m_appInfo.UserAgentInformation = units(m_userAgent.c_str());
        }
        return &m_appInfo;
    });
}
