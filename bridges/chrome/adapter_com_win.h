#pragma once
// AdapterCOM: drives one object of a COM add-in for a site, through IAdapterContext as the
// native adapter does, and is at the same time the connection object that the add-in
// receives in Init: its host interfaces and late-bound names forward the add-in's calls to the
// site at once, on whatever thread the add-in calls from.
//
// A reference-counted COM object. The site holds one reference, which it gives back through
// destroy(); the add-in may hold others. The adapter ends with its last reference.

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <atomic>

#include "adapter_context.h"
#include "addin_connection.h"
#include "callback_target.h"
#include "com_addin_interfaces.h"
#include "connection_methods.h"
#include "platform_record.h"

// The adapter's own interface; no operations beyond IDispatch.
extern const IID IID_IAdapterCOM;  // {42750485-0A79-4DD1-B7E8-23814289A372}
struct IAdapterCOM : public IDispatch {};

class AdapterCOM final : public com_addin::ConnectionDispatch<IAdapterCOM>,
                         public com_addin::IAsyncEvent,
                         public com_addin::IStatusLine,
                         public com_addin::IPropertyProfile,
                         public com_addin::IContext,
                         public IErrorLog,
                         public com_addin::IExtWndsSupport,
                         public IAdapterContext,
                         public com_addin::IMsgBox,
                         public com_addin::IPlatformInfo,
                         private com_addin::ConnectionOperations {
public:
    // A new adapter with one reference, the site's.
    AdapterCOM();
    AdapterCOM(const AdapterCOM&) = delete;
    AdapterCOM& operator=(const AdapterCOM&) = delete;

    // Adapters alive in this process (the host's COM module's live objects).
    static long liveObjects() { return s_liveObjects.load(); }

    // IUnknown, one for every interface.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IAdapterContext: the site's side. Failures are lib_exception (an empty text for a
    // failed add-in call) and invalid_args for a class that cannot be created.
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

    // The add-in's side: HRESULTs only, E_FAIL (E_NOTIMPL for the boxes) without a site. From
    // a thread of the add-in's own only the events and the depth pass; the rest fail there.
    // IAsyncEvent
    STDMETHODIMP SetEventBufferDepth(long depth) override;
    STDMETHODIMP GetEventBufferDepth(long* depth) override;
    STDMETHODIMP ExternalEvent(BSTR source, BSTR message, BSTR data) override;
    STDMETHODIMP CleanEventBuffer() override;
    // IStatusLine
    STDMETHODIMP SetStatusLine(BSTR text) override;
    STDMETHODIMP ResetStatusLine() override;
    // IPropertyProfile: the page stores the values ("readValue", "writeValue").
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;
    STDMETHODIMP RegisterProfileAs(BSTR name) override;
    // IContext: property access goes to the page; call goes to the add-in.
    STDMETHODIMP getPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP setPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP call(BSTR name, VARIANT* params, VARIANT* result) override;
    // IErrorLog
    STDMETHODIMP AddError(LPCOLESTR name, EXCEPINFO* info) override;
    // IExtWndsSupport: not offered.
    STDMETHODIMP GetAppMainFrame(long* frame) override;
    STDMETHODIMP GetAppMDIFrame(long* frame) override;
    STDMETHODIMP CreateAddInWindow(BSTR progId, BSTR windowName, long style, long exStyle,
                                   RECT* rect, long flags, long* window,
                                   IDispatch** control) override;
    // IMsgBox: modal boxes on the calling thread.
    STDMETHODIMP Confirm(BSTR text, VARIANT* answer) override;
    STDMETHODIMP Alert(BSTR text) override;
    // IPlatformInfo: the version and user agent of the page's init message.
    STDMETHODIMP GetPlatformInfo(com_addin::PlatformInfoRecord** info) override;

private:
    ~AdapterCOM() override;

    // ConnectionDispatch and ConnectionOperations: the late-bound names act on this object.
    com_addin::ConnectionOperations& connectionOperations() override { return *this; }
    com_addin::IPropertyProfile* profile() override { return this; }
    com_addin::IAsyncEvent* asyncEvent() override { return this; }
    com_addin::IStatusLine* statusLine() override { return this; }
    com_addin::IContext* context() override { return this; }
    HRESULT reportError(unsigned short wCode, BSTR source, BSTR description,
                        long scode) override;

    // The extender, or lib_exception with an empty text when no object is loaded.
    com_addin::ILanguageExtenderCom& extender();
    IDispatch* connectionDispatch() { return static_cast<IAdapterCOM*>(this); }

    static std::atomic<long> s_liveObjects;

    std::atomic<ULONG> m_refs;
    // Used by the add-in's threads; cut when the site gives the adapter up, which waits for
    // the callbacks other threads are making into it.
    // The host's page thread pumps no window messages, so the add-in has no timer there: its
    // callbacks on that thread come inside calls into the object, which keep the site.
    com_addin::CallbackTarget<AddInSite, false> m_site;
    com_addin::AddInConnection m_addIn;
    // Made by GetPlatformInfo on the host's thread, read by the add-in's from any thread.
    com_addin::PlatformRecords m_platform;
};
