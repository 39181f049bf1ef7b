#pragma once
// AddInServiceEx: the object the page creates first. It loads add-in libraries, keeps one
// record per announced class with a probe site, hands out sites, holds the page's listeners
// and the locale for new sites, and keeps the component's delivery timer running while it
// lives.

#include <map>
#include <set>
#include <vector>

#include "nsCOMPtr.h"
#include "nsISupportsImpl.h"
#include "nsITimer.h"
#include "service_interfaces.h"
#include "utf16_text.h"

class AddInServiceEx final : public IAddInServiceEx4 {
public:
    enum Capabities { eCapNoSet = -1, eCapJsonSupport = 1, eCapLast = 2 };

    AddInServiceEx();

    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) override;
    NS_IMETHOD_(nsrefcnt) AddRef() override;
    NS_IMETHOD_(nsrefcnt) Release() override;

    NS_IMETHOD Init(ICListener* listener) override;
    NS_IMETHOD LoadAddIn(const char16_t* name, const char16_t* location, int32_t type,
                         bool* _retval) override;
    NS_IMETHOD CreateInstance(const char16_t* name, IAddInSite** _retval) override;
    NS_IMETHOD ReleaseObject(nsISupports* src) override;
    NS_IMETHOD SetLocale(const char16_t* locale) override;
    NS_IMETHOD GetTempFile(nsAString& _retval) override;
    NS_IMETHOD GetFullPath(const char16_t* fileName, uint32_t timeWait,
                           nsAString& _retval) override;
    NS_IMETHOD RemoveExtComponent(const char16_t* fileName) override;
    NS_IMETHOD CreateInstanceExt(const char16_t* name, IAddInSiteExt** _retval) override;
    NS_IMETHOD Init2(ICListenerEx* listener) override;
    NS_IMETHOD GetCapabilities(int32_t* aCapabilities) override;
    NS_IMETHOD SetCapabilities(int32_t aCapabilities) override;
    NS_IMETHOD GetModeIn(int32_t* aModeIn) override;
    NS_IMETHOD SetModeIn(int32_t aModeIn) override;
    NS_IMETHOD GetModeOut(int32_t* aModeOut) override;
    NS_IMETHOD SetModeOut(int32_t aModeOut) override;

private:
    struct AddInObj {
        size_t version = 0;
        nsID clsid{};
        wcstring clsname;
        wcstring file_name;
        nsID clsidPropPage{};
        AddInComponentType type = eAddInvalid;
        nsCOMPtr<nsISupports> baseObj;
        std::vector<nsCOMPtr<nsISupports>> objects;
    };

    ~AddInServiceEx();
    AddInServiceEx(const AddInServiceEx&) = delete;
    AddInServiceEx& operator=(const AddInServiceEx&) = delete;

    // The body of LoadAddIn, which runs it guarded.
    nsresult load(const char16_t* name, const char16_t* location, bool* _retval);
    bool addIn(const wcstring& name, const wcstring& location, AddInComponentType kind);
    nsCOMPtr<IAddInSiteExt> createAddInSite();
    // The site for `name` as the record hands it out; null when there is none.
    nsCOMPtr<nsISupports> siteFor(const char16_t* name);

    nsAutoRefCnt mRefCnt;  // plain: main thread only
    nsCOMPtr<nsITimer> m_spTimer;
    wcstring m_locale;
    nsCOMPtr<ICListener> m_listener;
    nsCOMPtr<ICListenerEx> m_listenerEx;
    std::map<wcstring, AddInObj> m_objects;
    std::set<wcstring> m_loadedAddIns;
};
