#pragma once
// AdapterNative: drives one object of a native add-in library for a site, and is that
// object's host (IAddInDefBaseEx, IMemoryManager, IMsgBoxN, IPlatformInfoN), passing every
// callback to the site's IInnerListener as new BSTRs, which the site takes over. Its memory
// manager keeps the size of every block it hands the add-in, so that no length the add-in
// claims for one is read past its end.
//
// It owns the add-in's object (NativeAddIn), which keeps the adapter for each host call of
// the object on the page's thread and has it run a finish deferred past such a call later,
// from that thread's message loop. The site is held for each callback on the page's thread; a
// site that goes cuts itself off with setSite(null).

#include <windows.h>

#include <string>

#include "AddInDefBase.h"
#include "ComponentBase.h"
#include "IMemoryManager.h"
#include "com_object.h"
#include "native_addin.h"
#include "page_thread_later.h"
#include "sized_addin_memory.h"
#include "server_interfaces.h"
#include "typelib_dispatch.h"

class AdapterNative : public velmor_atl::DispatchImpl<IAdapterNative>,
                      public quillon::IContext,
                      public quillon::IAdapterDefBase,
                      public IAddInDefBaseEx,
                      public SizedAddInMemory,
                      public IMsgBoxN,
                      public IPlatformInfoN,
                      public velmor_atl::ComObjectRoot,
                      private NativeAddIn::Owner,
                      private LaterOnPageThread {
public:
    explicit AdapterNative(IUnknown* outer);
    ~AdapterNative() override;

    VELMOR_COM_UNKNOWN

    // IAdapterDefBase. setSite(null) fails, and cuts the site held before off the add-in.
    STDMETHODIMP setSite(IUnknown* site) override;
    STDMETHODIMP getInfo(long* version) override;
    STDMETHODIMP registerExtensionAs(BSTR* name) override;
    STDMETHODIMP isLoaded(int* loaded) override;
    STDMETHODIMP load(BSTR className, BSTR fileName) override;
    STDMETHODIMP done() override;
    STDMETHODIMP getPropPage(IUnknown** page) override;
    STDMETHODIMP getCLSID(CLSID* clsid) override;
    STDMETHODIMP setLocale(BSTR locale) override;

    // IContext
    STDMETHODIMP getPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP setPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP call(BSTR name, VARIANT* params, VARIANT* result) override;

    // IAddInDefBaseEx: the add-in's callbacks
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

    // IMemoryManager: SizedAddInMemory over the process heap, which frees only its own
    // blocks still out.

    // IMsgBoxN: answered by the page
    bool Confirm(const uint16_t* queryText, tVariant* retVal) override;
    bool Alert(const uint16_t* text) override;

    // IPlatformInfoN
    const AppInfo* GetPlatformInfo() override;


protected:
    void* findInterface(REFIID iid) override;

private:
    quillon::ISiteEx* siteEx();  // referenced for the caller, or null
    // NativeAddIn::Owner
    void keepOwner() override { AddRef(); }
    bool releaseOwner() override { return Release() != 0; }
    bool endLater() override;
    // LaterOnPageThread: the finish that a host call of the object deferred.
    void runLater() override;

    NativeAddIn m_addIn;
    std::u16string m_className;
    std::u16string m_fileName;
    quillon::IInnerListener* m_listener = nullptr;
    std::u16string m_versionText;
    std::u16string m_userAgentText;
    AppInfo m_platform;
};
