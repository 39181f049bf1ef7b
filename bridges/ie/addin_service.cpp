#include "addin_service.h"

#include <cstring>

#include "bridge_config.h"
#include "com_boundary.h"
#include "library_classes.h"
#include "server_text.h"
#include "server_names.h"
#include "site_event_queue.h"

using com_addin::BstrHolder;
using com_addin::guarded;
using com_addin::InterfaceHolder;

namespace {

constexpr UINT kTimerInterval = 10;  // ms

InterfaceHolder<quillon::ISiteEx> site_ex(IUnknown* site) {
    InterfaceHolder<quillon::ISiteEx> ex;
    site->QueryInterface(quillon::IID_ISiteEx, ex.put_void());
    return ex;
}

// COM identity: the object's IUnknown pointer, or null.
InterfaceHolder<IUnknown> identity(IUnknown* object) {
    InterfaceHolder<IUnknown> unknown;
    object->QueryInterface(IID_IUnknown, unknown.put_void());
    return unknown;
}

// The site's extension name, or empty.
std::wstring site_name(IAddInSite* site) {
    BstrHolder name;
    site->getName(name.put());
    return bstr_text(name.get());
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
    m_objects.clear();  // the last references to the sites: each ends its add-in object
    m_listener.reset();
    m_locale.reset(nullptr);
    // Records still queued for this thread's sites now go only if no other service runs here.
    SiteEventQueue::instance()->serviceStopped(m_thread);
}

// Pages reach the service through IDispatch; the type library's own IID is not answered.
void* AddInServiceEx::findInterface(REFIID iid) {
    if (IsEqualIID(iid, quillon::IID_IAddInServiceExFull) || IsEqualIID(iid, IID_IDispatch)) {
        return static_cast<quillon::IAddInServiceExFull*>(this);
    }
    return nullptr;
}

HRESULT AddInServiceEx::init(IDispatch* listener) {
    if (listener == nullptr || listener == m_listener.get()) return S_OK;
    m_listener = InterfaceHolder<IDispatch>::referenced(listener);
    return S_OK;
}

HRESULT AddInServiceEx::createProbeSite(InterfaceHolder<IAddInSite>* site) {
    CLSID siteClass;
    HRESULT hr = CLSIDFromProgID(kProgIdSite, &siteClass);
    if (FAILED(hr)) return hr;
    InterfaceHolder<IAddInSite> created;
    hr = CoCreateInstance(siteClass, nullptr, CLSCTX_INPROC_SERVER, IID_IAddInSite,
                          created.put_void());
    if (FAILED(hr)) return hr;
    const InterfaceHolder<quillon::ISiteEx> ex = site_ex(created.get());
    if (!ex) return E_NOINTERFACE;
    ex->setListener(m_listener.get());
    if (m_locale.get() != nullptr) ex->setLocale(m_locale.get());
    *site = std::move(created);
    return S_OK;
}

HRESULT AddInServiceEx::loadAddIn(BSTR name, BSTR url, short) {
    return guarded([&] { return loadNamed(bstr_text(name), bstr_text(url)); });
}

HRESULT AddInServiceEx::loadNamed(const std::wstring& name, const std::wstring& url) {
    if (m_loadedAddIns.count(name) != 0) return S_OK;
    AddInComponentType kind;
    switch (typeComponent) {
        case eAddInCom: kind = eAddInCom; break;
        case eAddInNative: kind = eAddInNative; break;
        case eAddInJava: return E_NOTIMPL;
        default: return E_FAIL;
    }
    if (!loadLibraryClasses(name, url, kind)) return E_FAIL;
    m_loadedAddIns.insert(name);
    return S_OK;
}

bool AddInServiceEx::loadLibraryClasses(const std::wstring& name, const std::wstring& url,
                                        AddInComponentType kind) {
    std::wstring path;
    ClassList list;
    if (!addin_classes(url, kind, &path, &list)) return false;
    const BstrHolder file(path.c_str());
    for (const std::wstring& className : split_class_list(list)) {
        InterfaceHolder<IAddInSite> site;
        if (FAILED(createProbeSite(&site))) return false;
        const BstrHolder clsname(className.c_str());
        if (FAILED(site->initialize(clsname.get(), 1, static_cast<short>(kind), file.get()))) {
            return false;
        }
        const std::wstring extension = site_name(site.get());
        const std::wstring objectKey = name.empty() ? extension : name + L"." + extension;
        const InterfaceHolder<quillon::ISiteEx> ex = site_ex(site.get());
        if (ex) {
            const BstrHolder keyText(objectKey.c_str());
            ex->registerClassName(keyText.get());  // the page learns the key before the record exists
        }
        long version = 1000;
        site->getVersion(&version);
        if (m_objects.count(objectKey) != 0) continue;  // the record already there stays
        AddInObj record;
        record.version = version;
        record.clsname = className;
        record.file_name = path;
        record.type = kind;
        record.baseObj = InterfaceHolder<IUnknown>(site.detach());  // the record's reference
        m_objects.emplace(objectKey, std::move(record));
    }
    return true;
}

HRESULT AddInServiceEx::createInstance(BSTR name, IAddInSite** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    return guarded([&] { return handOut(bstr_text(name), ppvObject); });
}

HRESULT AddInServiceEx::handOut(const std::wstring& key, IAddInSite** ppvObject) {
    auto found = m_objects.find(key);
    if (found == m_objects.end()) return E_INVALIDARG;
    AddInObj& record = found->second;
    if (record.version >= 1000 && record.version <= 1999) {
        if (!record.baseObj) return E_FAIL;
        return record.baseObj->QueryInterface(IID_IAddInSite, reinterpret_cast<void**>(ppvObject));
    }
    // Room first, so that a site is never lost between its record's two places.
    record.objects.reserve(record.objects.size() + 1);
    if (record.baseObj) {
        record.objects.push_back(std::move(record.baseObj));
    } else {
        InterfaceHolder<IAddInSite> site;
        const HRESULT hr = createProbeSite(&site);
        if (FAILED(hr)) return hr;
        const BstrHolder clsname(record.clsname.c_str());
        const BstrHolder file(record.file_name.c_str());
        if (FAILED(site->initialize(clsname.get(), 0, static_cast<short>(record.type),
                                    file.get()))) {
            return E_FAIL;
        }
        record.objects.push_back(InterfaceHolder<IUnknown>(site.detach()));
    }
    return record.objects.back()->QueryInterface(IID_IAddInSite,
                                                  reinterpret_cast<void**>(ppvObject));
}

// The site is found by identity among every record's handed-out sites, whatever name its
// class was loaded under; probe and shared sites are never among them.
HRESULT AddInServiceEx::releaseObject(IUnknown* src) {
    if (src == nullptr) return S_OK;
    InterfaceHolder<IAddInSite> site;
    if (FAILED(src->QueryInterface(IID_IAddInSite, site.put_void()))) return S_OK;
    const InterfaceHolder<IUnknown> target = identity(site.get());
    // Released on return, once the records are no longer being walked: a site's end runs
    // the add-in's, which may call back into the page.
    const InterfaceHolder<IUnknown> released = takeHandedOut(target.get());
    return S_OK;
}

InterfaceHolder<IUnknown> AddInServiceEx::takeHandedOut(IUnknown* target) {
    if (target == nullptr) return InterfaceHolder<IUnknown>();
    for (auto& entry : m_objects) {
        auto& objects = entry.second.objects;
        for (auto it = objects.begin(); it != objects.end(); ++it) {
            if (identity(it->get()).get() != target) continue;
            InterfaceHolder<IUnknown> taken = std::move(*it);
            objects.erase(it);
            return taken;
        }
    }
    return InterfaceHolder<IUnknown>();
}

// Built without C++ allocation: nothing here can throw, and a text that cannot be had
// leaves the stored one as it was.
HRESULT AddInServiceEx::setLocale(BSTR locale) {
    const UINT added = SysStringLen(locale);
    if (added == 0) return S_OK;
    const UINT held = SysStringLen(m_locale.get());
    BSTR grown = SysAllocStringLen(nullptr, held + added);
    if (grown == nullptr) return S_OK;
    if (held != 0) std::memcpy(grown, m_locale.get(), held * sizeof(OLECHAR));
    std::memcpy(grown + held, locale, added * sizeof(OLECHAR));
    m_locale.reset(grown);
    return S_OK;
}

HRESULT AddInServiceEx::reserved() { return E_NOTIMPL; }
