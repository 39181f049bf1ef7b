#include "addin_site.h"

#include "adapter_factory.h"
#include "callback_text.h"
#include "environment_locale.h"
#include "host_globals.h"
#include "utils.h"

namespace {

const char* const kSiteMethods[] = {"getPropertyValue", "setPropertyValue", "callExt", "done"};
enum SiteMethod { eGetPropertyValue = 0, eSetPropertyValue, eCallExt, eDone, eSiteMethodLast };

UnicodeString getLocaleISO() {
    UnicodeString locale;
    Utils::UTF8ToWide(environment_locale(), locale, false);
    return locale;
}

}  // namespace

AddInSite::AddInSite()
    : m_context(nullptr), m_version(-1), m_queueLen(1), m_dialogs(0) {
    m_clsName = "AddInSite";
    JsValue args;
    CNPVariant result;
    methodsProc(0, std::string(), args, result);
}

AddInSite::~AddInSite() {
    m_dialogs = 0;
    if (m_context != nullptr) {
        // Disconnects (which stops the add-in's threads before the component goes away) and
        // deletes the adapter; this object is still whole while that happens.
        IAdapterContext* context = m_context;
        m_context = nullptr;
        context->destroy();
    }
}

bool AddInSite::methodsProc(int callMode, const std::string& name, JsValue& args,
                            CNPVariant& result) {
    switch (callMode) {
        case 0:
            registerMethods(kSiteMethods, eSiteMethodLast);
            return false;
        case 1:
            return methodIndex(kSiteMethods, eSiteMethodLast, name) >= 0;
        case 2:
            switch (invokedMethod(kSiteMethods, eSiteMethodLast)) {
                case eGetPropertyValue: getPropertyValue(args, result); return true;
                case eSetPropertyValue: setPropertyValue(args, result); return true;
                case eCallExt: callExt(args, result); return true;
                case eDone: done(args, result); return true;
                default: return false;
            }
        default:
            return false;
    }
}

void AddInSite::initialize(const UnicodeString& clsid, bool getInfo, AddInComponentType type,
                           const UnicodeString& filename) {
    if (m_context == nullptr) m_context = create_adapter(type);
    m_context->initialize(this);
    // A COM class is created by its ProgID alone.
    m_context->connect(clsid, type == eAddInCom ? UnicodeString() : filename);
    if (!m_context->isComponentLoaded()) return;
    if (m_locale.empty()) m_locale = getLocaleISO();
    m_context->setLocale(m_locale);
    m_version = -1;
    if (getInfo) m_version = m_context->getInfo();
    m_context->registerExtensionAs(m_contextName);
}

IAdapterContext& AddInSite::loadedContext() {
    if (m_context == nullptr || !m_context->isComponentLoaded()) {
        throw lib_exception("Invalid operation", false);
    }
    return *m_context;
}

void AddInSite::getPropertyValue(JsValue& args, CNPVariant& result) {
    StringArg name;
    name.init(static_cast<const CNPVariant&>(args), 0);
    if (!name.passed()) throw invalid_args();
    loadedContext().getPropVal(name.get(), result);
}

void AddInSite::setPropertyValue(JsValue& args, CNPVariant& /*result*/) {
    StringArg name;
    VariantArg value;
    name.init(static_cast<const CNPVariant&>(args), 0);
    value.init(static_cast<const CNPVariant&>(args), 1);
    if (!value.passed()) throw invalid_args();
    if (!name.passed()) throw invalid_args();
    loadedContext().setPropVal(name.get(), value.get());
}

void AddInSite::callExt(JsValue& args, CNPVariant& result) {
    StringArg name;
    name.init(static_cast<const CNPVariant&>(args), 0);
    CNPVariant callArgs = CJSArray();
    if (args.isArray()) {
        for (Json::ArrayIndex i = 1; i < args.size(); ++i) callArgs.append(args[i]);
    }
    if (!name.passed()) throw invalid_args();
    loadedContext().call(name.get(), callArgs, result);

    args.clear();
    args.append(JsValue(name.getstd()));
    if (callArgs.isArray()) {
        for (Json::ArrayIndex i = 0; i < callArgs.size(); ++i) args.append(callArgs[i]);
    }
}

void AddInSite::done(JsValue& /*args*/, CNPVariant& /*result*/) {
    m_dialogs = 0;
    if (m_context != nullptr) m_context->disconnect();
}

void AddInSite::sendCallback(const char* method, const JsValue& params) {
    sendMsg(method, params, JsValue(), 15);
}

bool AddInSite::AddError(unsigned short wcode, const UnicodeChar* source,
                         const UnicodeChar* descr, long scode) {
    CJSArray params;
    params.append(JsValue(static_cast<int>(wcode)));
    params.append(CNPVariant(source));
    params.append(CNPVariant(descr));
    params.append(JsValue(static_cast<int>(scode)));
    sendCallback("addError", params);
    return true;
}

bool AddInSite::Read(const UnicodeChar* name, CNPVariant& value) {
    CJSArray params;
    params.append(CNPVariant(name));
    params.append(value);
    sendCallback("readValue", params);
    return true;
}

bool AddInSite::Write(const UnicodeChar* name, const CNPVariant& value) {
    CJSArray params;
    params.append(CNPVariant(name));
    params.append(value);
    sendCallback("writeValue", params);
    return true;
}

bool AddInSite::RegisterProfileAs(const UnicodeChar* name) {
    CJSArray params;
    params.append(CNPVariant(name));
    sendCallback("registerProfileAs", params);
    return true;
}

void AddInSite::ExternalEvent(const UnicodeChar* source, const UnicodeChar* message,
                              const UnicodeChar* data) {
    // The same message as sendCallback("externalEvent", [source, message, data]) would make,
    // written directly: this is the path of every scan.
    const uint32_t query = next_query_id();
    write_message_as(external_event_text(m_clsid, source, message, data, query), query);
}

bool AddInSite::SetStatusLine(const UnicodeChar* statusLine) {
    CJSArray params;
    params.append(CNPVariant(statusLine));
    sendCallback("setStatusLine", params);
    return true;
}

void AddInSite::ResetStatusLine() { sendCallback("resetStatusLine", CJSArray()); }

bool AddInSite::SetEventBufferDepth(long lDepth) {
    m_queueLen.store(lDepth);
    return true;
}

long AddInSite::GetEventBufferDepth() const { return m_queueLen.load(); }

bool AddInSite::alertCB(const UnicodeChar* /*text*/) { return true; }

bool AddInSite::confirmCB(const UnicodeChar* /*text*/, CNPVariant& answer) {
    answer = CNPVariant(false);
    return true;
}

void AddInSite::getVersionCB(UnicodeString& version) const {
    Utils::UTF8ToWide(g_version, version, false);
}

void AddInSite::getUserAgentCB(UnicodeString& userAgent) const {
    Utils::UTF8ToWide(g_userAgent, userAgent, false);
}
