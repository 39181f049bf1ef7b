#include "adapter_native.h"

#include <cstdlib>

#include "addin_site.h"
#include "host_exceptions.h"
#include "native_boundary.h"
#include "parameter_records.h"
#include "tvariant_buffers.h"
#include "utils.h"

namespace {

// The component seen through its ILanguageExtenderBase and LocaleBase bases.
ILanguageExtenderBase* extender(IComponentBase* component) { return component; }
LocaleBase* locale_part(IComponentBase* component) { return component; }

}  // namespace

AdapterNative::AdapterNative()
    : SizedAddInMemory(std::malloc, std::free),
      m_pDispIntf(nullptr), m_appInfo() {
    m_appInfo.AppVersion = nullptr;
    m_appInfo.UserAgentInformation = nullptr;
    m_appInfo.Application = eAppWebClient;
}

AdapterNative::~AdapterNative() {}

// ---- IAddInDefBaseEx: called by the add-in, so each answers its failure rather than let
// anything thrown reach it (native_boundary.h).

bool AdapterNative::AddError(unsigned short wcode, const uint16_t* source, const uint16_t* descr,
                             long scode) {
    return native_boundary::guarded(false, [&] {
        return m_pDispIntf != nullptr && m_pDispIntf->AddError(wcode, source, descr, scode);
    });
}

bool AdapterNative::Read(uint16_t* wszPropName, tVariant* pVal, long* pErrCode,
                         uint16_t** /*errDescriptor*/) {
    if (pErrCode != nullptr) *pErrCode = 0;
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf == nullptr) return false;
        CNPVariant value;
        const bool answer = m_pDispIntf->Read(wszPropName, value);
        if (pVal != nullptr) handOver(value, *pVal);
        return answer;
    });
}

bool AdapterNative::Write(uint16_t* wszPropName, tVariant* pVar) {
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf == nullptr) return false;
        CNPVariant value;
        if (pVar != nullptr) Utils::VariantToNPVariant(*pVar, value, this);
        return m_pDispIntf->Write(wszPropName, value);
    });
}

bool AdapterNative::RegisterProfileAs(uint16_t* wszProfileName) {
    return native_boundary::guarded(false, [&] {
        return m_pDispIntf != nullptr && m_pDispIntf->RegisterProfileAs(wszProfileName);
    });
}

bool AdapterNative::SetEventBufferDepth(long lDepth) {
    return m_pDispIntf != nullptr && m_pDispIntf->SetEventBufferDepth(lDepth);
}

long AdapterNative::GetEventBufferDepth() {
    return m_pDispIntf == nullptr ? 0 : m_pDispIntf->GetEventBufferDepth();
}

// Runs on the add-in's reader thread. An event that could not be passed on is lost as the
// page's own events would be; the add-in is told true all the same.
bool AdapterNative::ExternalEvent(uint16_t* wszSource, uint16_t* wszMessage, uint16_t* wszData) {
    native_boundary::guarded([&] {
        if (m_pDispIntf != nullptr) m_pDispIntf->ExternalEvent(wszSource, wszMessage, wszData);
    });
    return true;
}

void AdapterNative::CleanEventBuffer() {
    if (m_pDispIntf != nullptr) m_pDispIntf->CleanEventBuffer();
}

bool AdapterNative::SetStatusLine(uint16_t* wszStatusLine) {
    return native_boundary::guarded(false, [&] {
        if (m_pDispIntf != nullptr) m_pDispIntf->SetStatusLine(wszStatusLine);
        return true;
    });
}

void AdapterNative::ResetStatusLine() {
    native_boundary::guarded([&] {
        if (m_pDispIntf != nullptr) m_pDispIntf->ResetStatusLine();
    });
}

IInterface* AdapterNative::GetInterface(Interfaces iface) {
    switch (iface) {
        case eIMsgBox: return static_cast<IMsgBoxN*>(this);
        case eIPlatformInfo: return static_cast<IPlatformInfoN*>(this);
        default: return nullptr;
    }
}

// ---- IAdapterContext

void AdapterNative::initialize(const AddInSite* site) { m_pDispIntf = const_cast<AddInSite*>(site); }

void AdapterNative::connect(const UnicodeString& wsClass, const UnicodeString& wsLib) {
    if (!wsClass.empty()) m_wsClsName = wsClass;
    if (wsLib.empty()) return;
    if (m_addIn.component() != nullptr) return;  // already connected: nothing to do again

    std::string path;
    Utils::wideToUTF8(wsLib, path, false);
    m_addIn.openLibrary(path);
    const NativeAddIn::ConnectResult result =
        m_addIn.connect(m_wsClsName.c_str(), static_cast<IAddInDefBaseEx*>(this),
                        static_cast<IMemoryManager*>(this), NativeAddIn::eAnnounceAndObey);
    if (result == NativeAddIn::eInitRefused || result == NativeAddIn::eMemoryRefused) {
        throw lib_exception(false);
    }
}

bool AdapterNative::isComponentLoaded() { return m_addIn.component() != nullptr; }

IComponentBase* AdapterNative::component() {
    IComponentBase* loaded = m_addIn.component();
    if (loaded == nullptr) throw lib_exception("Invalid operation", false);
    return loaded;
}

void AdapterNative::takeText(const uint16_t* text, UnicodeString& into) {
    if (text == nullptr) {
        into.clear();
        return;
    }
    into.assign(text, readable_text(this, text, kUpToTerminator));
    void* block = const_cast<uint16_t*>(text);
    FreeMemory(&block);
}

void AdapterNative::handOver(const CNPVariant& value, tVariant& var) {
    const void* before = held_buffer(var);
    Utils::NPVariantToVariant(value, var);
    if (var.vt != VTYPE_PWSTR || var.pwstrVal == nullptr || var.pwstrVal == before) return;
    void* converted = var.pwstrVal;  // the C heap's, as the conversion made it
    set_wide_text(var, var.pwstrVal, var.wstrLen, this);
    host_heap()->FreeMemory(&converted);
}

void AdapterNative::setLocale(const UnicodeString& loc) {
    NativeAddIn::CallScope scope(m_addIn);
    locale_part(component())->SetLocale(loc.c_str());
}

long AdapterNative::getInfo() {
    NativeAddIn::CallScope scope(m_addIn);
    IComponentBase* loaded = m_addIn.component();
    return loaded == nullptr ? 0 : loaded->GetInfo();
}

void AdapterNative::registerExtensionAs(UnicodeString& wsExt) {
    NativeAddIn::CallScope scope(m_addIn);
    uint16_t* name = nullptr;
    if (extender(component())->RegisterExtensionAs(&name) && name != nullptr) takeText(name, wsExt);
}

void AdapterNative::disconnect() { m_addIn.finish(); }

void AdapterNative::destroy() {
    disconnect();
    delete this;
}

int AdapterNative::GetNProps() {
    NativeAddIn::CallScope scope(m_addIn);
    return static_cast<int>(extender(component())->GetNProps());
}

void AdapterNative::GetPropName(int nPropPos, int nAlias, UnicodeString& name) {
    NativeAddIn::CallScope scope(m_addIn);
    takeText(extender(component())->GetPropName(nPropPos, nAlias), name);
}

bool AdapterNative::IsPropReadable(int nPropPos) {
    NativeAddIn::CallScope scope(m_addIn);
    return extender(component())->IsPropReadable(nPropPos);
}

bool AdapterNative::IsPropWritable(int nPropPos) {
    NativeAddIn::CallScope scope(m_addIn);
    return extender(component())->IsPropWritable(nPropPos);
}

int AdapterNative::FindProp(const UnicodeChar* pszPropName) {
    NativeAddIn::CallScope scope(m_addIn);
    return static_cast<int>(extender(component())->FindProp(pszPropName));
}

int AdapterNative::GetNMethods() {
    NativeAddIn::CallScope scope(m_addIn);
    return static_cast<int>(extender(component())->GetNMethods());
}

void AdapterNative::GetMethodName(int nMethodPos, int nAlias, UnicodeString& name) {
    NativeAddIn::CallScope scope(m_addIn);
    takeText(extender(component())->GetMethodName(nMethodPos, nAlias), name);
}

int AdapterNative::GetNParams(int nMethodPos) {
    NativeAddIn::CallScope scope(m_addIn);
    return static_cast<int>(extender(component())->GetNParams(nMethodPos));
}

bool AdapterNative::IsParamIn(int, int) { return true; }
bool AdapterNative::IsParamOut(int, int) { return false; }

bool AdapterNative::GetParamDefValue(int nMethodPos, int nParamPos, CNPVariant& pDefVal) {
    NativeAddIn::CallScope scope(m_addIn);
    ILanguageExtenderBase* ext = extender(component());
    // The default's block goes back to this manager, which then forgets its size.
    ParameterRecords records(host_heap(), this);
    records.reset(1);
    records.lend();
    ext->GetParamDefValue(nMethodPos, nParamPos, &records[0]);
    Utils::VariantToNPVariant(records[0], pDefVal, this);
    return true;
}

bool AdapterNative::HasRetVal(int nMethodPos) {
    NativeAddIn::CallScope scope(m_addIn);
    return extender(component())->HasRetVal(nMethodPos);
}

int AdapterNative::FindMethod(const UnicodeChar* pszMethodName) {
    NativeAddIn::CallScope scope(m_addIn);
    return static_cast<int>(extender(component())->FindMethod(pszMethodName));
}

// The records of a call: the host's texts come from the C heap as the conversions make them,
// the component's from this adapter's AllocMemory.

void AdapterNative::getPropVal(const UnicodeString& name, CNPVariant& value) {
    NativeAddIn::CallScope scope(m_addIn);
    ILanguageExtenderBase* ext = extender(component());
    ParameterRecords records(host_heap(), this);
    records.reset(1);
    records.lend();  // what the component writes goes back to this manager
    tVariant& var = records[0];
    const long prop = ext->FindProp(name.c_str());
    if (prop == -1) throw lib_exception("Property not found", false);
    if (!ext->IsPropReadable(prop)) {
        Utils::VariantToNPVariant(var, value);
        return;
    }
    if (!ext->GetPropVal(prop, &var)) throw lib_exception("Property error", false);
    Utils::VariantToNPVariant(var, value, this);
}

void AdapterNative::setPropVal(const UnicodeString& name, const CNPVariant& value) {
    NativeAddIn::CallScope scope(m_addIn);
    ILanguageExtenderBase* ext = extender(component());
    ParameterRecords records(host_heap(), this);
    records.reset(1);
    Utils::NPVariantToVariant(value, records[0]);
    records.lend();
    const long prop = ext->FindProp(name.c_str());
    if (prop == -1) throw lib_exception("Property not found", false);
    if (!ext->IsPropWritable(prop)) return;
    if (!ext->SetPropVal(prop, &records[0])) throw lib_exception("Property error", false);
}

void AdapterNative::call(const UnicodeString& name, CNPVariant& params, CNPVariant& retval) {
    NativeAddIn::CallScope scope(m_addIn);
    ILanguageExtenderBase* ext = extender(component());
    const long method = ext->FindMethod(name.c_str());
    if (method == -1) throw lib_exception("Method not found", false);
    const bool isFunction = ext->HasRetVal(method);
    long n = ext->GetNParams(method);
    if (n < 0) n = 0;
    ParameterRecords records(host_heap(), this);
    records.reset(static_cast<size_t>(n));

    long count = 0;
    if (params.isArray()) {
        count = static_cast<long>(params.size());
        CJSArray array(params);
        Utils::jsArrayTotVariantArray(array, records.data(), records.size());
    } else if (params.isNull() || params.empty()) {
        count = 0;
    } else if (n >= 1) {
        Utils::NPVariantToVariant(params, records[0]);
        count = 1;
    }
    for (long i = count; i < n; ++i) ext->GetParamDefValue(method, i, &records[i]);
    records.lend();

    if (isFunction) {
        ext->CallAsFunc(method, &records.result(), records.data(), n);
        Utils::VariantToNPVariant(records.result(), retval, this);
    } else {
        ext->CallAsProc(method, records.data(), n);
    }

    if (n > 0) {
        CJSArray converted;
        Utils::tVariantArrayTojsArray(records.data(), records.size(), converted, this);
        CJSArray out;
        for (long i = 0; i < count; ++i) {
            out.append(i < n ? converted[static_cast<Json::ArrayIndex>(i)] : JsValue());
        }
        params = out;
    }
}

// ---- IMsgBoxN: adapter_dialogs_linux.cpp, adapter_dialogs_win.cpp

// ---- IPlatformInfoN

const AppInfo* AdapterNative::GetPlatformInfo() {
    return native_boundary::guarded<const AppInfo*>(nullptr, [&]() -> const AppInfo* {
        if (m_pDispIntf == nullptr) return nullptr;
        m_pDispIntf->getUserAgentCB(m_userAgent);
        m_pDispIntf->getVersionCB(m_verApp);
        m_appInfo.AppVersion = m_verApp.c_str();
        m_appInfo.UserAgentInformation = m_userAgent.c_str();
        return &m_appInfo;
    });
}
