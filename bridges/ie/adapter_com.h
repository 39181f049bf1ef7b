#pragma once
// AdapterCOM: drives one object of a COM add-in for a site, and is that object's connection
// object: the late-bound names and the host interfaces, each forwarding to the site's
// IInnerListener (with new BSTRs, which the site takes over) or, for message boxes and the
// platform information, to its ISiteEx.
//
// The add-in's calls on the page's thread keep the site and this adapter, and a disconnection
// asked for meanwhile waits for them (see AddInConnection).
//
// The add-in's own threads reach the site only with the events and the event buffer's depth
// (which the site queues or stores without calling the page); every other host call from them
// is refused here. Its end (done) waits for those threads' callbacks that are in the site.

#include <windows.h>

#include "addin_connection.h"
#include "callback_target.h"
#include "com_addin_interfaces.h"
#include "com_object.h"
#include "connection_methods.h"
#include "page_thread_later.h"
#include "platform_record.h"
#include "server_interfaces.h"

class AdapterCOM : public com_addin::ConnectionDispatch<IAdapterCOM>,
                   public com_addin::IAsyncEvent,
                   public com_addin::IStatusLine,
                   public com_addin::IPropertyProfile,
                   public quillon::IContext,
                   public quillon::IAdapterDefBase,
                   public IErrorLog,
                   public com_addin::IExtWndsSupport,
                   public com_addin::IMsgBox,
                   public com_addin::IPlatformInfo,
                   public com_addin::ConnectionOperations,
                   public velmor_atl::ComObjectRoot,
                   private com_addin::AddInConnection::Owner,
                   private LaterOnPageThread {
public:
    explicit AdapterCOM(IUnknown* outer);
    ~AdapterCOM() override;

    VELMOR_COM_UNKNOWN

    // IAdapterDefBase
    STDMETHODIMP setSite(IUnknown* site) override;
    STDMETHODIMP getInfo(long* version) override;
    STDMETHODIMP registerExtensionAs(BSTR* name) override;
    STDMETHODIMP isLoaded(int* loaded) override;
    STDMETHODIMP load(BSTR className, BSTR fileName) override;
    STDMETHODIMP done() override;
    STDMETHODIMP getPropPage(IUnknown** page) override;
    STDMETHODIMP getCLSID(CLSID* clsid) override;
    STDMETHODIMP setLocale(BSTR locale) override;

    // IContext: the add-in's properties and methods
    STDMETHODIMP getPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP setPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP call(BSTR name, VARIANT* params, VARIANT* result) override;

    // IAsyncEvent
    STDMETHODIMP SetEventBufferDepth(long depth) override;
    STDMETHODIMP GetEventBufferDepth(long* depth) override;
    STDMETHODIMP ExternalEvent(BSTR source, BSTR message, BSTR data) override;
    STDMETHODIMP CleanEventBuffer() override;
    // IStatusLine
    STDMETHODIMP SetStatusLine(BSTR text) override;
    STDMETHODIMP ResetStatusLine() override;
    // IPropertyProfile
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;
    STDMETHODIMP RegisterProfileAs(BSTR name) override;
    // IErrorLog
    STDMETHODIMP AddError(LPCOLESTR name, EXCEPINFO* info) override;
    // IExtWndsSupport: not offered
    STDMETHODIMP GetAppMainFrame(long* frame) override;
    STDMETHODIMP GetAppMDIFrame(long* frame) override;
    STDMETHODIMP CreateAddInWindow(BSTR, BSTR, long, long, RECT*, long, long*,
                                   IDispatch**) override;
    // IMsgBox
    STDMETHODIMP Confirm(BSTR text, VARIANT* answer) override;
    STDMETHODIMP Alert(BSTR text) override;
    // IPlatformInfo
    STDMETHODIMP GetPlatformInfo(com_addin::PlatformInfoRecord** info) override;

    // ConnectionOperations
    com_addin::IPropertyProfile* profile() override { return this; }
    com_addin::IAsyncEvent* asyncEvent() override { return this; }
    com_addin::IStatusLine* statusLine() override { return this; }
    com_addin::IContext* context() override { return this; }
    HRESULT reportError(unsigned short wCode, BSTR source, BSTR description,
                        long scode) override;

protected:
    void* findInterface(REFIID iid) override;
    com_addin::ConnectionOperations& connectionOperations() override { return *this; }

private:
    using HomeListener = com_addin::CallbackTarget<quillon::IInnerListener>::HomeUse;

    // AddInConnection::Owner
    void keepOwner() override { AddRef(); }
    bool releaseOwner() override { return Release() != 0; }
    bool endLater() override;
    // LaterOnPageThread: the disconnection that a host call of the object deferred.
    void runLater() override;

    // The site's ISiteEx, counted; null (and `hr` set) when there is no listener at hand.
    static quillon::ISiteEx* siteEx(const HomeListener& listener, HRESULT* hr);
    // The page's answer, kept as a record of its own; the home thread only.
    HRESULT askPlatformInfo(quillon::IInnerListener* listener,
                            com_addin::PlatformInfoRecord** info);

    // The site (uncounted, but referenced for each of the add-in's calls on the page's
    // thread): set by setSite, cut by done.
    com_addin::CallbackTarget<quillon::IInnerListener> m_listener;
    com_addin::AddInConnection m_addIn;
    com_addin::PlatformRecords m_platform;
};
