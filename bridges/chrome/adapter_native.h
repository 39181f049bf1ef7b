#pragma once
// AdapterNative: drives one component of a native add-in library for a site,
// and is the host side of the native add-in interface for that component.

#include "AddInDefBase.h"
#include "ComponentBase.h"
#include "adapter_context.h"
#include "native_addin.h"
#include "platform.h"
#include "sized_addin_memory.h"

// Its memory manager keeps the size of every block it hands the add-in, so that no length
// the add-in claims for one is read past its end.
class AdapterNative : public IAddInDefBaseEx,
                      public SizedAddInMemory,
                      public IAdapterContext,
                      public IPlatformInfoN,
                      public IMsgBoxN {
public:
    AdapterNative();
    ~AdapterNative() override;
    AdapterNative(const AdapterNative&) = delete;
    AdapterNative& operator=(const AdapterNative&) = delete;

    // IAddInDefBase / IAddInDefBaseEx: the add-in's callbacks, forwarded to the site.
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

    // IAdapterContext
    void initialize(const AddInSite* site) override;
    void connect(const UnicodeString& wsClass, const UnicodeString& wsLib) override;
    bool isComponentLoaded() override;
    void setLocale(const UnicodeString& loc) override;
    long getInfo() override;
    void registerExtensionAs(UnicodeString& wsExt) override;
    void disconnect() override;
    void destroy() override;
    int GetNProps() override;
    void GetPropName(int nPropPos, int nAlias, UnicodeString& name) override;
    bool IsPropReadable(int nPropPos) override;
    bool IsPropWritable(int nPropPos) override;
    int FindProp(const UnicodeChar* pszPropName) override;
    int GetNMethods() override;
    void GetMethodName(int nMethodPos, int nAlias, UnicodeString& name) override;
    int GetNParams(int nMethodPos) override;
    bool IsParamIn(int nMethodPos, int nParamPos) override;
    bool IsParamOut(int nMethodPos, int nParamPos) override;
    bool GetParamDefValue(int nMethodPos, int nParamPos, CNPVariant& pDefVal) override;
    bool HasRetVal(int nMethodPos) override;
    int FindMethod(const UnicodeChar* pszMethodName) override;
    void getPropVal(const UnicodeString& name, CNPVariant& value) override;
    void setPropVal(const UnicodeString& name, const CNPVariant& value) override;
    void call(const UnicodeString& name, CNPVariant& params, CNPVariant& retval) override;

    // IMsgBoxN: Linux asks the site; Windows shows message boxes
    bool Confirm(const uint16_t* queryText, tVariant* retVal) override;
    bool Alert(const uint16_t* text) override;

    // IPlatformInfoN
    const AppInfo* GetPlatformInfo() override;

private:
    // The component, or lib_exception "Invalid operation" when none is loaded: the
    // operations that reach the component must not run without one.
    IComponentBase* component();
    // Copies a text that the component allocated through AllocMemory (up to its terminator,
    // and no further than its block), then frees it.
    void takeText(const uint16_t* text, UnicodeString& into);
    // `value` converted into the add-in's record `var`, a text in a block of this memory
    // manager, which the add-in frees.
    void handOver(const CNPVariant& value, tVariant& var);

    AddInSite* m_pDispIntf;
    NativeAddIn m_addIn;
    UnicodeString m_wsClsName;
    UnicodeString m_verApp;
    UnicodeString m_userAgent;
    AppInfo m_appInfo;
};
