#pragma once
// The service object's interfaces, as the page script calls them.

#include "component_iids.h"
#include "site_interfaces.h"

class IAddInServiceEx : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(IADDINSERVICEEX_IID)
    NS_IMETHOD Init(ICListener* listener) = 0;                                   // 3
    NS_IMETHOD LoadAddIn(const char16_t* name, const char16_t* location, int32_t type,
                               bool* _retval) = 0;
    NS_IMETHOD CreateInstance(const char16_t* name, IAddInSite** _retval) = 0;
    NS_IMETHOD ReleaseObject(nsISupports* src) = 0;
    NS_IMETHOD SetLocale(const char16_t* locale) = 0;
    NS_IMETHOD GetTempFile(nsAString& _retval) = 0;                              // 8
    NS_IMETHOD GetFullPath(const char16_t* fileName, uint32_t timeWait,
                                 nsAString& _retval) = 0;
    NS_IMETHOD RemoveExtComponent(const char16_t* fileName) = 0;                 // 10

protected:
    ~IAddInServiceEx() {}
};

class IAddInServiceEx2 : public IAddInServiceEx {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(IADDINSERVICEEX2_IID)
    NS_IMETHOD CreateInstanceExt(const char16_t* name, IAddInSiteExt** _retval) = 0;  // 11

protected:
    ~IAddInServiceEx2() {}
};

class IAddInServiceEx3 : public IAddInServiceEx2 {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(IADDINSERVICEEX3_IID)
    NS_IMETHOD Init2(ICListenerEx* listener) = 0;                                // 12

protected:
    ~IAddInServiceEx3() {}
};

// Three read-write attributes: capabilities, mode in, mode out.
class IAddInServiceEx4 : public IAddInServiceEx3 {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(IADDINSERVICEEX4_IID)
    NS_IMETHOD GetCapabilities(int32_t* aCapabilities) = 0;                      // 13
    NS_IMETHOD SetCapabilities(int32_t aCapabilities) = 0;
    NS_IMETHOD GetModeIn(int32_t* aModeIn) = 0;
    NS_IMETHOD SetModeIn(int32_t aModeIn) = 0;
    NS_IMETHOD GetModeOut(int32_t* aModeOut) = 0;
    NS_IMETHOD SetModeOut(int32_t aModeOut) = 0;                                 // 18

protected:
    ~IAddInServiceEx4() {}
};
