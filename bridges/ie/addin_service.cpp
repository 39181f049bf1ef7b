#include "addin_service.h"

#include "bridge_config.h"
#include "library_classes.h"
#include "server_text.h"
#include "server_names.h"
#include "site_event_queue.h"

namespace {

constexpr UINT kTimerInterval = 10;  // ms

quillon::ISiteEx* site_ex(IUnknown* site) {
    quillon::ISiteEx* ex = nullptr;
    if (FAILED(site->QueryInterface(quillon::IID_ISiteEx, reinterpret_cast<void**>(&ex)))) {
        return nullptr;
    }
    return ex;
}

// COM identity: the objects' IUnknown pointers are the same.
bool same_object(IUnknown* a, IUnknown* b) {
    if (a == nullptr || b == nullptr) return a == b;
    IUnknown* ua = nullptr;
    IUnknown* ub = nullptr;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ua));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ub));
    const bool same = ua != nullptr && ua == ub;
    if (ua != nullptr) ua->Release();
    if (ub != nullptr) ub->Release();
    return same;
}

// The site's extension name, or empty.
std::wstring site_name(IAddInSite* site) {
    BSTR name = nullptr;
    site->getName(&name);
    const std::wstring text = bstr_text(name);
    SysFreeString(name);
    return text;
}

}  // namespace

AddInServiceEx::AddInServiceEx(IUnknown* outer)
    : velmor_atl::DispatchImpl<quillon::IAddInServiceExFull>(IID_IAddInServiceEx),
      velmor_atl::ComObjectRoot(outer),
      m_thread(GetCurrentThreadId()) {
    SiteEventQueue::create()->serviceStarted(m_thread);
    m_timerId = SetTimer(nullptr, 0, kTimerInterval, &queue_timer_proc);
}

AddInServiceEx::~AddInServiceEx() {
    KillTimer(nullptr, m_timerId);
    for (auto& entry : m_objects) destroyRecord(&entry.second);
    m_objects.clear();
    if (m_listener != nullptr) m_listener->Release();
    SysFreeString(m_locale);
    // Records still queued for this thread's sites now go only if no other service runs here.
    SiteEventQueue::instance()->serviceStopped(m_thread);
}

void AddInServiceEx::destroyRecord(AddInObj* record) {
    if (record->baseObj != nullptr) record->baseObj->Release();
    record->baseObj = nullptr;
    for (IUnknown* site : record->objects) site->Release();
    record->objects.clear();
}

// Pages reach the service through IDispatch; the type library's own IID is not answered.
void* AddInServiceEx::findInterface(REFIID iid) {
    if (IsEqualIID(iid, quillon::IID_IAddInServiceExFull) || IsEqualIID(iid, IID_IDispatch)) {
        return static_cast<quillon::IAddInServiceExFull*>(this);
    }
    return nullptr;
}

HRESULT AddInServiceEx::init(IDispatch* listener) {
    if (listener == nullptr || listener == m_listener) return S_OK;
    listener->AddRef();
    if (m_listener != nullptr) m_listener->Release();
    m_listener = listener;
    return S_OK;
}

HRESULT AddInServiceEx::createProbeSite(IAddInSite** site) {
    *site = nullptr;
    CLSID siteClass;
    HRESULT hr = CLSIDFromProgID(kProgIdSite, &siteClass);
    if (FAILED(hr)) return hr;
    hr = CoCreateInstance(siteClass, nullptr, CLSCTX_INPROC_SERVER, IID_IAddInSite,
                          reinterpret_cast<void**>(site));
    if (FAILED(hr)) return hr;
    quillon::ISiteEx* ex = site_ex(*site);
    if (ex == nullptr) {
        (*site)->Release();
        *site = nullptr;
        return E_NOINTERFACE;
    }
    ex->setListener(m_listener);
    if (m_locale != nullptr) ex->setLocale(m_locale);
    ex->Release();
    return S_OK;
}

HRESULT AddInServiceEx::loadAddIn(BSTR name, BSTR url, short) {
    const std::wstring key = bstr_text(name);
    if (m_loadedAddIns.count(key) != 0) return S_OK;
    AddInComponentType kind;
    switch (typeComponent) {
        case eAddInCom: kind = eAddInCom; break;
        case eAddInNative: kind = eAddInNative; break;
        case eAddInJava: return E_NOTIMPL;
        default: return E_FAIL;
    }
    if (!loadLibraryClasses(key, bstr_text(url), kind)) return E_FAIL;
    m_loadedAddIns.insert(key);
    return S_OK;
}

bool AddInServiceEx::loadLibraryClasses(const std::wstring& name, const std::wstring& url,
                                        AddInComponentType kind) {
    const std::wstring path = addin_library_path(url);
    ClassList list;
    if (!addin_class_list(path, kind, &list)) return false;
    BSTR file = SysAllocString(path.c_str());
    bool loaded = true;
    for (const std::wstring& className : split_class_list(list)) {
        IAddInSite* site = nullptr;
        if (FAILED(createProbeSite(&site))) {
            loaded = false;
            break;
        }
        BSTR clsname = SysAllocString(className.c_str());
        const HRESULT hr = site->initialize(clsname, 1, static_cast<short>(kind), file);
        SysFreeString(clsname);
        if (FAILED(hr)) {
            site->Release();
            loaded = false;
            break;
        }
        const std::wstring extension = site_name(site);
        const std::wstring objectKey = name.empty() ? extension : name + L"." + extension;
        quillon::ISiteEx* ex = site_ex(site);
        if (ex != nullptr) {
            BSTR keyText = SysAllocString(objectKey.c_str());
            ex->registerClassName(keyText);  // the page learns the key before the record exists
            SysFreeString(keyText);
            ex->Release();
        }
        long version = 1000;
        site->getVersion(&version);
        if (m_objects.count(objectKey) != 0) {
            site->Release();  // the record already there stays
            continue;
        }
        AddInObj record;
        record.version = version;
        record.clsname = className;
        record.file_name = path;
        record.type = kind;
        record.baseObj = site;  // the record's reference
        m_objects.emplace(objectKey, std::move(record));
    }
    SysFreeString(file);
    return loaded;
}

HRESULT AddInServiceEx::createInstance(BSTR name, IAddInSite** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    auto found = m_objects.find(bstr_text(name));
    if (found == m_objects.end()) return E_INVALIDARG;
    AddInObj& record = found->second;
    if (record.version >= 1000 && record.version <= 1999) {
        if (record.baseObj == nullptr) return E_FAIL;
        return record.baseObj->QueryInterface(IID_IAddInSite, reinterpret_cast<void**>(ppvObject));
    }
    if (record.baseObj != nullptr) {
        IUnknown* site = record.baseObj;
        record.baseObj = nullptr;
        record.objects.push_back(site);
        return site->QueryInterface(IID_IAddInSite, reinterpret_cast<void**>(ppvObject));
    }
    IAddInSite* site = nullptr;
    HRESULT hr = createProbeSite(&site);
    if (FAILED(hr)) return hr;
    BSTR clsname = SysAllocString(record.clsname.c_str());
    BSTR file = SysAllocString(record.file_name.c_str());
    hr = site->initialize(clsname, 0, static_cast<short>(record.type), file);
    SysFreeString(clsname);
    SysFreeString(file);
    if (FAILED(hr)) {
        site->Release();
        return E_FAIL;
    }
    record.objects.push_back(site);
    return site->QueryInterface(IID_IAddInSite, reinterpret_cast<void**>(ppvObject));
}

HRESULT AddInServiceEx::releaseObject(IUnknown* src) {
    if (src == nullptr) return S_OK;
    IAddInSite* site = nullptr;
    if (FAILED(src->QueryInterface(IID_IAddInSite, reinterpret_cast<void**>(&site)))) return S_OK;
    const std::wstring key = site_name(site);
    site->Release();
    auto found = m_objects.find(key);
    if (found == m_objects.end() || same_object(found->second.baseObj, src)) return S_OK;
    auto& objects = found->second.objects;
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        if (same_object(*it, src)) {
            IUnknown* released = *it;
            objects.erase(it);
            released->Release();
            break;
        }
    }
    return S_OK;
}

HRESULT AddInServiceEx::setLocale(BSTR locale) {
    if (locale == nullptr || SysStringLen(locale) == 0) return S_OK;
    const std::wstring joined = bstr_text(m_locale) + bstr_text(locale);
    BSTR grown = SysAllocStringLen(joined.c_str(), static_cast<UINT>(joined.size()));
    if (grown == nullptr) return S_OK;  // the stored text stays as it was
    SysFreeString(m_locale);
    m_locale = grown;
    return S_OK;
}

HRESULT AddInServiceEx::reserved() { return E_NOTIMPL; }
