#include "addin_service.h"

#include "addin_class_names.h"
#include "delivery_clock.h"
#include "entry_guard.h"
#include "firefox_config.h"
#include "nsComponentManagerUtils.h"
#include "nsServiceManagerUtils.h"
#include "own_directory.h"
#include "variant_tvariant.h"

namespace {

// Versions in this range are served by one shared site (version - 1000 <= 999, unsigned).
bool shared_version(size_t version) { return version - 1000 <= 999; }

// The library path: the component's own directory and the add-in's file name, in UTF-16.
wcstring library_path() {
    const std::string directory = own_directory(nameFilePrj);
    if (directory.empty()) return wcstring();
    return utf16_of(directory + nameFileComponent);
}

nsCOMPtr<nsITimer> delivery_timer() {
    nsCOMPtr<nsITimer> timer = do_GetService(NS_TIMER_CONTRACTID);
    if (!timer) timer = do_GetService(NS_TIMER_CONTRACTID);  // the manager may refuse once
    return timer;
}

// The object identity of any interface of an object.
nsCOMPtr<nsISupports> identity(nsISupports* object) {
    nsCOMPtr<nsISupports> canonical = do_QueryInterface(object);
    return canonical;
}

}  // namespace

AddInServiceEx::AddInServiceEx() {
    m_spTimer = delivery_timer();
    delivery_service_started(m_spTimer.get());
}

AddInServiceEx::~AddInServiceEx() {
    delivery_service_stopped();
    // Releasing the records lets sites nobody else holds go, which stops their add-ins.
    m_objects.clear();
}

NS_IMETHODIMP AddInServiceEx::QueryInterface(REFNSIID aIID, void** aInstancePtr) {
    if (aInstancePtr == nullptr) return NS_ERROR_NULL_POINTER;
    if (aIID.Equals(NS_GET_IID(IAddInServiceEx)) || aIID.Equals(NS_GET_IID(IAddInServiceEx2)) ||
        aIID.Equals(NS_GET_IID(IAddInServiceEx3)) || aIID.Equals(NS_GET_IID(IAddInServiceEx4)) ||
        aIID.Equals(NS_GET_IID(nsISupports))) {
        AddRef();
        *aInstancePtr = static_cast<IAddInServiceEx4*>(this);
        return NS_OK;
    }
    *aInstancePtr = nullptr;
    return NS_ERROR_NO_INTERFACE;
}

NS_IMPL_ADDREF(AddInServiceEx)
NS_IMPL_RELEASE(AddInServiceEx)

NS_IMETHODIMP AddInServiceEx::Init(ICListener* listener) {
    m_listener = do_QueryInterface(listener);
    return NS_OK;
}

NS_IMETHODIMP AddInServiceEx::Init2(ICListenerEx* listener) {
    m_listenerEx = do_QueryInterface(listener);
    m_listener = do_QueryInterface(listener);
    return NS_OK;
}

NS_IMETHODIMP AddInServiceEx::LoadAddIn(const char16_t* name, const char16_t* location,
                                        int32_t /*type*/, bool* _retval) {
    return guarded([&] { return load(name, location, _retval); });
}

nsresult AddInServiceEx::load(const char16_t* name, const char16_t* location, bool* _retval) {
    const wcstring where = wcstring_of(location);
    if (m_loadedAddIns.count(where) != 0) {
        if (_retval != nullptr) *_retval = true;
        return NS_OK;
    }
    AddInComponentType kind = eAddInvalid;
    switch (typeComponent) {
        case eAddInNative: kind = eAddInNative; break;
        case eAddInCom: kind = eAddInCom; break;
        case eAddInJava: return NS_ERROR_NOT_IMPLEMENTED;
        default: return NS_ERROR_INVALID_ARG;
    }
    if (!addIn(wcstring_of(name), where, kind)) return NS_ERROR_FILE_TARGET_DOES_NOT_EXIST;
    m_loadedAddIns.insert(where);
    if (_retval != nullptr) *_retval = true;
    return NS_OK;
}

bool AddInServiceEx::addIn(const wcstring& name, const wcstring& /*location*/,
                           AddInComponentType kind) {
    const wcstring path = library_path();
    std::vector<wcstring> classNames;
    if (!addin_class_names(kind, path, nameFileComponent, classNames)) return false;
    for (const wcstring& clsname : classNames) {
        nsCOMPtr<IAddInSiteExt> site = createAddInSite();
        if (!site || !site->Initialize(clsname.c_str(), true, kind, path.c_str())) return false;

        nsString extension;
        site->GetName(extension);
        wcstring objectName = name;
        if (!name.empty()) objectName += u'.';
        objectName += wcstring_of(extension.get());
        if (m_listener) m_listener->registerClassName(objectName.c_str());

        if (m_objects.count(objectName) != 0) continue;  // the first record stays
        AddInObj& record = m_objects[objectName];
        record.version = site->GetVersion();
        record.clsname = clsname;
        record.file_name = path;
        record.type = kind;
        if (kind == eAddInCom) record.clsid = site->GetClsId();
        record.baseObj = identity(site.get());
    }
    return true;
}

nsCOMPtr<IAddInSiteExt> AddInServiceEx::createAddInSite() {
    nsCOMPtr<IAddInSiteExt> site = do_CreateInstance(ADDINSITE_CONTRACTID);
    if (!site) return site;
    // SetSiteEx2 also makes the extended listener the site's ICListener; SetSiteEx then puts
    // the service's own ICListener in its place.
    site->SetSiteEx2(m_listenerEx.get());
    site->SetSiteEx(m_listener.get());
    site->SetLocale(m_locale.c_str());
    return site;
}

nsCOMPtr<nsISupports> AddInServiceEx::siteFor(const char16_t* name) {
    std::map<wcstring, AddInObj>::iterator found = m_objects.find(wcstring_of(name));
    if (found == m_objects.end()) return nullptr;
    AddInObj& record = found->second;
    if (shared_version(record.version)) return record.baseObj;
    if (record.baseObj) {
        nsCOMPtr<nsISupports> probe = record.baseObj;
        record.baseObj = nullptr;
        record.objects.push_back(probe);
        return probe;
    }
    nsCOMPtr<IAddInSiteExt> site = createAddInSite();
    if (!site ||
        !site->Initialize(record.clsname.c_str(), false, record.type, record.file_name.c_str())) {
        return nullptr;
    }
    nsCOMPtr<nsISupports> added = identity(site.get());
    record.objects.push_back(added);
    return added;
}

NS_IMETHODIMP AddInServiceEx::CreateInstance(const char16_t* name, IAddInSite** _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = nullptr;
    return guarded([&] {
        nsCOMPtr<nsISupports> site = siteFor(name);
        if (!site) return NS_ERROR_FAILURE;
        return site->QueryInterface(NS_GET_IID(IAddInSite), reinterpret_cast<void**>(_retval));
    });
}

NS_IMETHODIMP AddInServiceEx::CreateInstanceExt(const char16_t* name, IAddInSiteExt** _retval) {
    if (_retval == nullptr) return NS_ERROR_NULL_POINTER;
    *_retval = nullptr;
    return guarded([&] {
        nsCOMPtr<nsISupports> site = siteFor(name);
        if (!site) return NS_ERROR_FAILURE;
        return site->QueryInterface(NS_GET_IID(IAddInSiteExt), reinterpret_cast<void**>(_retval));
    });
}

// The site is found by object identity among the sites handed out, whatever interface each
// was given as and whatever name its class was loaded under.
NS_IMETHODIMP AddInServiceEx::ReleaseObject(nsISupports* src) {
    nsCOMPtr<IAddInSiteExt> site = do_QueryInterface(src);
    if (!site) return NS_OK;
    const nsCOMPtr<nsISupports> target = identity(site.get());
    for (std::map<wcstring, AddInObj>::iterator it = m_objects.begin(); it != m_objects.end();
         ++it) {
        std::vector<nsCOMPtr<nsISupports>>& objects = it->second.objects;
        for (size_t i = 0; i < objects.size(); ++i) {
            if (identity(objects[i].get()).get() != target.get()) continue;
            nsCOMPtr<nsISupports> released = objects[i];
            objects.erase(objects.begin() + static_cast<long>(i));
            return NS_OK;
        }
    }
    return NS_OK;
}

NS_IMETHODIMP AddInServiceEx::SetLocale(const char16_t* locale) {
    return guarded([&] {
        m_locale = wcstring_of(locale);
        return NS_OK;
    });
}

NS_IMETHODIMP AddInServiceEx::GetTempFile(nsAString&) { return NS_ERROR_NOT_IMPLEMENTED; }

NS_IMETHODIMP AddInServiceEx::GetFullPath(const char16_t*, uint32_t, nsAString&) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP AddInServiceEx::RemoveExtComponent(const char16_t*) {
    return NS_ERROR_NOT_IMPLEMENTED;
}

NS_IMETHODIMP AddInServiceEx::GetCapabilities(int32_t* aCapabilities) {
    if (aCapabilities == nullptr) return NS_ERROR_NULL_POINTER;
    *aCapabilities = eCapJsonSupport;
    return NS_OK;
}

NS_IMETHODIMP AddInServiceEx::SetCapabilities(int32_t aCapabilities) {
    g_has_json = aCapabilities == eCapJsonSupport;
    return NS_OK;
}

NS_IMETHODIMP AddInServiceEx::GetModeIn(int32_t* aModeIn) {
    if (aModeIn == nullptr) return NS_ERROR_NULL_POINTER;
    *aModeIn = g_has_json ? eCapJsonSupport : eCapNoSet;
    return NS_OK;
}

NS_IMETHODIMP AddInServiceEx::SetModeIn(int32_t aModeIn) {
    if (aModeIn == eCapJsonSupport) g_has_json = true;
    return NS_OK;
}

NS_IMETHODIMP AddInServiceEx::GetModeOut(int32_t* aModeOut) { return GetModeIn(aModeOut); }

NS_IMETHODIMP AddInServiceEx::SetModeOut(int32_t aModeOut) { return SetModeIn(aModeOut); }
