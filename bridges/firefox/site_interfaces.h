#pragma once
// The site's interfaces: IAddInSite and IAddInSiteExt towards the page and the service (the
// same operations; IAddInSiteExt starts one slot later and has GetSiteEx and SetSiteEx the
// other way round), IInnerListener towards its adapter, and ICEventData, one buffered event.

#if defined(_WIN32)
// The Windows headers define GetObject as a macro (GetObjectA or GetObjectW), which would rename
// the site's operation in some sources and not in others. Included here first, the macro is
// gone for good: later includes of the headers change nothing.
#include <windows.h>
#undef GetObject
#endif

#include "component_iids.h"
#include "context_interfaces.h"
#include "listener_interfaces.h"

class ICEventData : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(ICEVENTDATA_IID)
    NS_IMETHOD GetWho(nsAString& who) = 0;
    NS_IMETHOD GetWhat(nsAString& what) = 0;
    NS_IMETHOD GetData(nsAString& data) = 0;

protected:
    ~ICEventData() {}
};

class IAddInSite : public IContext_ {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(IADDINSITE_IID)
    NS_IMETHOD_(bool) Initialize(const char16_t* clsid, bool getInfo, AddInComponentType type,
                            const char16_t* filename) = 0;                              // 20
    NS_IMETHOD GetName(nsAString& name) = 0;
    NS_IMETHOD GetObject(nsISupports** object) = 0;
    NS_IMETHOD_(uint32_t) GetVersion() = 0;
    NS_IMETHOD_(nsID) GetClsId() = 0;
    NS_IMETHOD SetSiteEx(ICListener* site) = 0;                                  // 25
    NS_IMETHOD_(ICListener*) GetSiteEx() = 0;                                               // 26
    NS_IMETHOD GetPropertyValue(const char16_t* name, nsIVariant** value) = 0;
    NS_IMETHOD SetPropertyValue(const char16_t* name, nsIVariant* value) = 0;
    NS_IMETHOD SetLocale(const char16_t* locale) = 0;
    NS_IMETHOD GetEventData(ICEventData** event) = 0;                            // 30
    NS_IMETHOD Done() = 0;                                                       // 31

protected:
    ~IAddInSite() {}
};

class IAddInSiteExt : public IContextExt {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(IADDINSITEEXT_IID)
    NS_IMETHOD_(bool) Initialize(const char16_t* clsid, bool getInfo, AddInComponentType type,
                            const char16_t* filename) = 0;                              // 21
    NS_IMETHOD GetName(nsAString& name) = 0;
    NS_IMETHOD GetObject(nsISupports** object) = 0;
    NS_IMETHOD_(uint32_t) GetVersion() = 0;
    NS_IMETHOD_(nsID) GetClsId() = 0;                                                       // 25
    NS_IMETHOD_(ICListener*) GetSiteEx() = 0;                                               // 26
    NS_IMETHOD SetSiteEx(ICListener* site) = 0;                                  // 27
    NS_IMETHOD_(void) SetSiteEx2(ICListenerEx* site) = 0;                                   // 28
    NS_IMETHOD GetPropertyValue(const char16_t* name, nsIVariant** value) = 0;
    NS_IMETHOD SetPropertyValue(const char16_t* name, nsIVariant* value) = 0;    // 30
    NS_IMETHOD SetLocale(const char16_t* locale) = 0;
    NS_IMETHOD GetEventData(ICEventData** event) = 0;
    NS_IMETHOD Done() = 0;                                                       // 33

protected:
    ~IAddInSiteExt() {}
};

// What the adapter passes on from the add-in's host interface. Slots 3-12 mirror
// IAddInDefBase, 13-14 the message boxes, 15 and 17 the platform information.
class IInnerListener : public nsISupports {
public:
    NS_DECLARE_STATIC_IID_ACCESSOR(IINNERLISTENER_IID)
    NS_IMETHOD_(bool) SetEventBufferDepth(int32_t len) = 0;                                 // 3
    NS_IMETHOD_(int32_t) GetEventBufferDepth() = 0;
    NS_IMETHOD_(void) CleanEventBuffer() = 0;
    // True when the event reached the page or waits in the delivery queue for it.
    NS_IMETHOD_(bool) ExternalEvent(const char16_t* who, const char16_t* what,
                               const char16_t* data) = 0;
    NS_IMETHOD_(bool) AddError(uint16_t wcode, const char16_t* source, const char16_t* descr,
                          int32_t scode) = 0;                                          // 7
    NS_IMETHOD_(bool) Read(const char16_t* name, nsIVariant** value, int32_t* error,
                      nsAString& errDescriptor) = 0;
    NS_IMETHOD_(bool) Write(const char16_t* name, nsIVariant* value) = 0;
    NS_IMETHOD_(bool) RegisterProfileAs(const char16_t* name) = 0;                          // 10
    NS_IMETHOD_(bool) SetStatusLine(const char16_t* status) = 0;
    NS_IMETHOD_(void) ResetStatusLine() = 0;
    NS_IMETHOD_(bool) AlertCB(const char16_t* text) = 0;                                    // 13
    NS_IMETHOD_(bool) ConfirmCB(const char16_t* text, nsIVariant** retVal) = 0;
    NS_IMETHOD_(bool) GetUserAgentCB(nsAString& text) = 0;                                  // 15
    NS_IMETHOD_(bool) CreateObjectCB(const char16_t* name, nsIVariant** value) = 0;
    NS_IMETHOD_(bool) GetVersionCB(nsAString& text) = 0;                                    // 17

protected:
    ~IInnerListener() {}
};
