#include "addin_service.h"

#include "ComponentBase.h"
#include "addin_site.h"
#include "bridge_config.h"
#include "com_addins.h"
#include "object_holder.h"
#include "platform.h"
#include "query_id.h"
#include "utils.h"

namespace {

const char* const kServiceMethods[] = {"init", "loadAddIn", "createInstance", "releaseObject",
                                       "setLocale"};
enum ServiceMethod {
    eInit = 0,
    eLoadAddIn,
    eCreateInstance,
    eReleaseObject,
    eSetLocale,
    eServiceMethodLast
};

// Versions in this range are served by one shared site.
bool shared_version(size_t version) { return version >= 1000 && version <= 1999; }

}  // namespace

AddInServiceEx::AddInServiceEx() {
    m_clsName = "AddInServiceEx";
    JsValue args;
    CNPVariant result;
    methodsProc(0, std::string(), args, result);
}

AddInServiceEx::~AddInServiceEx() { m_objects.clear(); }

bool AddInServiceEx::methodsProc(int callMode, const std::string& name, JsValue& args,
                                 CNPVariant& result) {
    switch (callMode) {
        case 0:
            registerMethods(kServiceMethods, eServiceMethodLast);
            return false;
        case 1:
            return methodIndex(kServiceMethods, eServiceMethodLast, name) >= 0;
        case 2:
            switch (invokedMethod(kServiceMethods, eServiceMethodLast)) {
                case eInit: init(args, result); return true;
                case eLoadAddIn: loadAddIn(args, result); return true;
                case eCreateInstance: createInstance(args, result); return true;
                case eReleaseObject: releaseObject(args, result); return true;
                case eSetLocale: setLocale(args, result); return true;
                default: return false;
            }
        default:
            return false;
    }
}

void AddInServiceEx::init(JsValue&, CNPVariant&) {}

void AddInServiceEx::loadAddIn(JsValue& args, CNPVariant& result) {
    const CNPVariant& params = static_cast<const CNPVariant&>(args);
    StringArg name;
    StringArg location;
    name.init(params, 0);
    location.init(params, 1);
    if (!name.passed()) throw invalid_args();
    if (m_loadedAddIns.count(name.get()) != 0) {
        result = CNPVariant(true);
        return;
    }
    if (typeComponent == eAddInJava) {
        throw lib_exception("Java components currently not supported", false);
    }
    // COM add-ins only where the build serves them (com_addins.h).
    if (typeComponent != eAddInNative && typeComponent != eAddInCom) throw invalid_args();
    if (!location.passed()) throw invalid_args();
    const bool loaded = addIn(name.get(), location.get(), typeComponent);
    if (loaded) m_loadedAddIns.insert(name.get());
    result = CNPVariant(loaded);
}

// The add-in file beside the host; "" when the host cannot find its own file.
UnicodeString AddInServiceEx::defaultLibraryPath() {
    UnicodeString path;
    const std::string directory = own_directory(nameFilePrj);
    if (!directory.empty()) Utils::UTF8ToWide(directory + nameFileComponent, path, false);
    return path;
}

bool AddInServiceEx::classesOf(const UnicodeString& location, AddInComponentType tech,
                               UnicodeString& path, std::vector<UnicodeString>& classes) {
    if (tech == eAddInCom) {
        com_addin_classes(location, defaultLibraryPath(), path, classes);
        return true;
    }
    path = defaultLibraryPath();
    std::string utf8Path;
    Utils::wideToUTF8(path, utf8Path, false);
    UnicodeString classList;
    if (!read_class_list(utf8Path, path, classList)) return false;
    classes = split_class_names(classList);
    return true;
}

bool AddInServiceEx::addIn(const UnicodeString& name, const UnicodeString& progIDs,
                           AddInComponentType tech) {
    UnicodeString path;
    std::vector<UnicodeString> classes;
    if (!classesOf(progIDs, tech, path, classes)) return false;
    for (size_t i = 0; i < classes.size(); ++i) {
        AddInSite* site = createAddInSite();
        site->initialize(classes[i], true, tech, path);

        UnicodeString objectName;
        if (!name.empty()) {
            objectName = name;
            objectName += static_cast<UnicodeChar>('.');
        }
        objectName += site->getName();

        CJSArray params;
        params.append(CNPVariant(objectName));
        sendMsg("registerClassName", params, JsValue(), 15);

        if (m_objects.count(objectName) == 0) {
            AddInObj record;
            // A site whose component did not load has version -1 and counts as "not shared".
            record.version = static_cast<size_t>(site->getVersion());
            record.clsname = classes[i];
            record.file_name = path;
            record.type = tech;
            record.site = site->get_id();
            m_objects[objectName] = record;
        }
    }
    return true;
}

void AddInServiceEx::createInstance(JsValue& args, CNPVariant& result) {
    StringArg name;
    name.init(static_cast<const CNPVariant&>(args), 0);
    if (!name.passed()) throw invalid_args();
    std::map<UnicodeString, AddInObj>::iterator it = m_objects.find(name.get());
    if (it == m_objects.end()) throw invalid_args();
    AddInObj& record = it->second;

    const bool shared = shared_version(record.version);
    if (shared || record.site != 0) {
        // The page may have released the recorded site (message type 10) meanwhile; then a
        // fresh one is made below, as for any later request.
        ScriptableClassBase* site = get_object(record.site);
        if (!shared) record.site = 0;
        if (site != nullptr) {
            result = CNPVariant(site->toJson());
            return;
        }
    }
    AddInSite* site = createAddInSite();
    site->initialize(record.clsname, false, record.type, record.file_name);
    // A shared add-in is served by the new site from now on.
    if (shared) record.site = site->get_id();
    result = CNPVariant(site->toJson());
}

// Takes one object out of the registry. The identifier is params[0]: a number, or an object
// description (anything with "cls_id", as the page got it from "createInstance"). The result
// says whether an object was released.
void AddInServiceEx::releaseObject(JsValue& args, CNPVariant& result) {
    const CNPVariant& params = static_cast<const CNPVariant&>(args);
    if (!params.isArray() || params.size() == 0) throw invalid_args();
    JsValue target = params[0u];
    if (target.isObject()) {
        if (!target.isMember(kNameClsId)) throw invalid_args();
        target = target[kNameClsId];
    }
    uint32_t id = 0;
    if (target.isNull() || !query_id_of(target, id)) throw invalid_args();
    result = CNPVariant(remove_object(id));
}

void AddInServiceEx::setLocale(JsValue& args, CNPVariant&) {
    StringArg locale;
    locale.init(static_cast<const CNPVariant&>(args), 0);
    if (!locale.passed()) throw invalid_args();
    m_locale = locale.get();
}

AddInSite* AddInServiceEx::createAddInSite() {
    AddInSite* site = new AddInSite();
    site->setLocale(m_locale);
    return site;
}
