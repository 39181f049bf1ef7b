#pragma once
// AdapterCpp: connects one site to one component of a native add-in library. Towards the site
// it is IComponentDef and IContextExt (values as XPCOM variants); towards the add-in it is the
// host of the native interface (IAddInDefBaseEx, the memory manager, message boxes and
// platform information), passing every callback to the site's IInnerListener.
//
// It owns the add-in's object (NativeAddIn), which keeps the adapter for each host call of
// the object on the main thread and has it run a finish deferred past such a call later, from
// the main thread's loop. The site is held for each callback on the main thread; a site that
// goes cuts itself off with Initialize(null).

#include <string>

#include "AddInDefBase.h"
#include "ComponentBase.h"
#include "sized_addin_memory.h"
#include "context_interfaces.h"
#include "main_thread_later.h"
#include "native_addin.h"
#include "parameter_records.h"
#include "site_interfaces.h"
#include "utf16_text.h"
#include "nsISupportsImpl.h"

class AdapterCpp final : public IComponentDef,
                         public IContextExt,
                         public IAddInDefBaseEx,
                         public SizedAddInMemory,
                         public IMsgBoxN,
                         public IPlatformInfoN,
                         private NativeAddIn::Owner,
                         private LaterOnMainThread {
public:
    AdapterCpp();

    // nsISupports: plain count, main thread only.
    NS_IMETHOD QueryInterface(REFNSIID aIID, void** aInstancePtr) override;
    NS_IMETHOD_(nsrefcnt) AddRef() override;
    NS_IMETHOD_(nsrefcnt) Release() override;

    // IContextDefBase, IContext_
    NS_IMETHOD GetNProps(int32_t* _retval) override;
    NS_IMETHOD GetPropName(int32_t propPos, int32_t alias, char16_t** _retval) override;
    NS_IMETHOD IsPropReadable(int32_t propPos, bool* _retval) override;
    NS_IMETHOD IsPropWritable(int32_t propPos, bool* _retval) override;
    NS_IMETHOD_(int32_t) FindProp(const char16_t* pszPropName) override;
    NS_IMETHOD GetNMethods(int32_t* _retval) override;
    NS_IMETHOD GetMethodName(int32_t nMethodPos, int32_t alias, char16_t** _retval) override;
    NS_IMETHOD GetNParams(int32_t nMethodPos, int32_t* _retval) override;
    NS_IMETHOD_(bool) IsParamIn(int32_t nMethodPos, int32_t nParamPos) override;
    NS_IMETHOD_(bool) IsParamOut(int32_t nMethodPos, int32_t nParamPos) override;
    NS_IMETHOD_(bool) GetParamDefValue(int32_t nMethodPos, int32_t nParamPos,
                                       nsIVariant** pDefVal) override;
    NS_IMETHOD_(bool) HasRetVal(int32_t nMethodPos) override;
    NS_IMETHOD_(int32_t) FindMethod(const char16_t* pszMethodName) override;
    NS_IMETHOD_(nsIVariant*) GetIContextDef() override;
    NS_IMETHOD GetPropVal(int32_t propPos, nsIVariant** value, bool* _retval) override;
    NS_IMETHOD SetPropVal(int32_t nPropPos, nsIVariant* value, bool* _retval) override;
    NS_IMETHOD Call(const char16_t* name, nsIVariant* params, nsIVariant** _retval) override;

    // IComponentDef. Initialize(null): the site is gone, and nothing reaches it any more.
    NS_IMETHOD_(bool) Initialize(IInnerListener* listener) override;
    NS_IMETHOD_(int32_t) GetInfo() override;
    NS_IMETHOD_(void) RegisterExtensionAs(nsAString& extensionName) override;
    NS_IMETHOD_(bool) IsComponentLoaded() override;
    NS_IMETHOD_(bool) Connect(const char16_t* wsClass, const char16_t* wsLib) override;
    NS_IMETHOD_(void) Disconnect() override;
    NS_IMETHOD_(void) GetPropPage(void* page) override;
    NS_IMETHOD_(nsID) GetCLSID() override;
    NS_IMETHOD_(void) SetLocale(const char16_t* locale) override;

    // IContextExt
    NS_IMETHOD CallExt(const char16_t* name, nsIVariant* params, nsIVariant** retParams,
                       nsIVariant** _retval) override;

    // IAddInDefBaseEx: the add-in's callbacks, passed to the site.
    bool AddError(unsigned short wcode, const uint16_t* source, const uint16_t* descr,
                  long scode) override;
    bool Read(uint16_t* wszPropName, tVariant* pVal, long* pErrCode,
              uint16_t** errDescriptor) override;
    bool Write(uint16_t* wszPropName, tVariant* pVar) override;
    bool RegisterProfileAs(uint16_t* wszProfileName) override;
    bool SetEventBufferDepth(long lDepth) override;
    long GetEventBufferDepth() override;
    bool ExternalEvent(uint16_t* wszSource, uint16_t* wszMessage, uint16_t* wszData) override;
    void CleanEventBuffer() override;
    bool SetStatusLine(uint16_t* wszStatusLine) override;
    void ResetStatusLine() override;
    IInterface* GetInterface(Interfaces iface) override;

    // IMsgBoxN, IPlatformInfoN
    bool Confirm(const uint16_t* queryText, tVariant* retVal) override;
    bool Alert(const uint16_t* text) override;
    const AppInfo* GetPlatformInfo() override;

private:
    // NativeAddIn::Owner
    void keepOwner() override { AddRef(); }
    bool releaseOwner() override { return Release() != 0; }
    bool endLater() override;
    // LaterOnMainThread: the finish that a host call of the object deferred.
    void runLater() override;

    ~AdapterCpp() override;
    AdapterCpp(const AdapterCpp&) = delete;
    AdapterCpp& operator=(const AdapterCpp&) = delete;

    void preMethod() { m_throwError = false; }
    void postMethod() {}
    // A copy of a text block of the component (up to its terminator, and no further than the
    // block) in a new XPCOM-allocated string; the block is given back to the component's
    // memory manager.
    char16_t* takeName(const uint16_t* text);
    // Steps 1 to 6 of a call: the parameters and the result in `records` (`given` of them
    // from the page), the call made, the return value into `result`.
    bool callComponent(IComponentBase* component, const char16_t* name, nsIVariant* params,
                       nsIVariant** result, ParameterRecords& records, long& given);

    nsAutoRefCnt mRefCnt;  // plain: main thread only
    IInnerListener* m_pDispIntf;
    NativeAddIn m_addIn;
    wcstring m_wsClsName;
    wcstring m_libName;
    bool m_throwError;
    wcstring m_verApp;
    wcstring m_userAgent;
    AppInfo m_appInfo;
};
