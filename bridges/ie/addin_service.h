#pragma once
// AddInServiceEx: the page's first object. It loads add-in libraries, tells the page the
// name of each class it can instantiate, hands out sites, and runs the 10 ms timer that
// delivers, on its own thread, the callbacks that arrived from other threads.

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "addinlib.h"
#include "bstr_holder.h"
#include "com_object.h"
#include "interface_holder.h"
#include "server_interfaces.h"
#include "typelib_dispatch.h"

struct AddInObj {
    long long version = 1000;
    std::wstring clsname;
    std::wstring file_name;
    AddInComponentType type = eAddInNative;
    // the probe site, while it is not handed out
    com_addin::InterfaceHolder<IUnknown> baseObj;
    // sites handed out for an unshared class
    std::vector<com_addin::InterfaceHolder<IUnknown>> objects;
};

class AddInServiceEx : public velmor_atl::DispatchImpl<quillon::IAddInServiceExFull>,
                       public velmor_atl::ComObjectRoot {
public:
    explicit AddInServiceEx(IUnknown* outer);
    ~AddInServiceEx() override;

    VELMOR_COM_UNKNOWN

    STDMETHODIMP init(IDispatch* listener) override;
    STDMETHODIMP loadAddIn(BSTR name, BSTR url, short type) override;
    STDMETHODIMP createInstance(BSTR name, IAddInSite** ppvObject) override;
    STDMETHODIMP releaseObject(IUnknown* src) override;
    STDMETHODIMP setLocale(BSTR locale) override;
    STDMETHODIMP makeTempLibraryName(BSTR* result) override;
    STDMETHODIMP findRecentFile(BSTR fileName, VARIANT unused, BSTR* path) override;
    STDMETHODIMP reserved() override;

protected:
    void* findInterface(REFIID iid) override;

private:
    // A new site with this service's listener and locale.
    HRESULT createProbeSite(com_addin::InterfaceHolder<IAddInSite>* site);
    HRESULT loadNamed(const std::wstring& name, const std::wstring& url);
    bool loadLibraryClasses(const std::wstring& name, const std::wstring& url,
                            AddInComponentType kind);
    HRESULT handOut(const std::wstring& key, IAddInSite** ppvObject);
    // The handed-out site that is `target` (an IUnknown identity), taken out of its record.
    com_addin::InterfaceHolder<IUnknown> takeHandedOut(IUnknown* target);

    std::map<std::wstring, AddInObj> m_objects;
    std::set<std::wstring> m_loadedAddIns;
    com_addin::BstrHolder m_locale;
    com_addin::InterfaceHolder<IDispatch> m_listener;
    UINT_PTR m_timerId = 0;
    DWORD m_thread;
};
