#pragma once
// AddInSite: the page's handle on one add-in object. It creates and drives its adapter, and
// passes the add-in's callbacks to the page's listener, directly on its home thread (the
// page's) or through the process-wide queue from any other thread.
//
// IInnerListener takes over every BSTR it is given (the adapters make a new one for each
// call): they are freed once passed on, delivered or dropped.

#include <windows.h>

#include <atomic>
#include <string>

#include "com_object.h"
#include "server_interfaces.h"
#include "typelib_dispatch.h"

class AddInSite : public velmor_atl::DispatchImpl<quillon::IAddInSiteFull>,
                  public quillon::IInnerListener,
                  public quillon::ISiteEx,
                  public velmor_atl::ComObjectRoot {
public:
    explicit AddInSite(IUnknown* outer);
    ~AddInSite() override;

    VELMOR_COM_UNKNOWN

    // IAddInSite
    STDMETHODIMP initialize(BSTR clsid, long getInfo, short type, BSTR filename) override;
    STDMETHODIMP getName(BSTR* name) override;
    STDMETHODIMP getObject(IUnknown** ppOut) override;
    STDMETHODIMP getPropertyValue(BSTR name, VARIANT* value) override;
    STDMETHODIMP setPropertyValue(BSTR name, VARIANT* value) override;
    STDMETHODIMP call(BSTR name, VARIANT* params, VARIANT* pretVal) override;
    STDMETHODIMP done() override;
    STDMETHODIMP getVersion(long* vers) override;
    STDMETHODIMP getWindow(VARIANT* result) override;

    // IInnerListener
    STDMETHODIMP SetEventBufferDepth(long depth) override;
    STDMETHODIMP GetEventBufferDepth(long* depth) override;
    STDMETHODIMP CleanEventBuffer() override;
    STDMETHODIMP ExternalEvent(BSTR source, BSTR message, BSTR data) override;
    STDMETHODIMP AddError(unsigned short wcode, BSTR source, BSTR description,
                          long scode) override;
    STDMETHODIMP Read(BSTR name, VARIANT* value, long* errorCode,
                      BSTR* errorDescription) override;
    STDMETHODIMP Write(BSTR name, VARIANT* value) override;
    STDMETHODIMP RegisterProfileAs(BSTR name) override;
    STDMETHODIMP SetStatusLine(BSTR text) override;
    STDMETHODIMP ResetStatusLine() override;

    // ISiteEx
    STDMETHODIMP setListener(IDispatch* listener) override;
    STDMETHODIMP setLocale(BSTR locale) override;
    STDMETHODIMP addError(unsigned short wcode, BSTR source, BSTR description,
                          long scode) override;
    STDMETHODIMP readValue(BSTR name, VARIANT* value) override;
    STDMETHODIMP writeValue(BSTR name, VARIANT* value) override;
    STDMETHODIMP registerProfileAs(BSTR name) override;
    STDMETHODIMP setStatusLine(BSTR text) override;
    STDMETHODIMP resetStatusLine() override;
    STDMETHODIMP externalEvent(BSTR source, BSTR message, BSTR data) override;
    STDMETHODIMP getObject(BSTR name) override;
    STDMETHODIMP registerClassName(BSTR key) override;
    STDMETHODIMP messageBox(BSTR text) override;
    STDMETHODIMP queryBox(BSTR text, VARIANT* result) override;
    STDMETHODIMP getUserAgent(VARIANT* result) override;
    STDMETHODIMP createObject(BSTR name, VARIANT* result) override;
    STDMETHODIMP getVersion(BSTR* version) override;

protected:
    void* findInterface(REFIID iid) override;

private:
    bool onHomeThread() const { return GetCurrentThreadId() == m_homeThread; }
    HRESULT queue(int kind, BSTR text1, BSTR text2, BSTR text3, unsigned short wcode,
                  long scode);
    HRESULT connect(BSTR clsid, long getInfo, short type, BSTR filename);
    void finishAdapter();  // the adapter's done, once at a time
    void releaseAdapter();
    HRESULT callOneText(const wchar_t* method, BSTR text);

    quillon::IAdapterDefBase* m_adapter = nullptr;
    quillon::IContext* m_context = nullptr;
    IDispatch* m_listener = nullptr;
    long m_type = 0;
    BSTR m_name = nullptr;
    long m_version = -1;
    std::wstring m_locale;
    std::atomic<long> m_eventBufferDepth{0};  // the add-in's thread sets and reads it
    CLSID m_adapterClass = CLSID_NULL;
    DWORD m_homeThread;
    BSTR m_className = nullptr;
    bool m_initializing = false;  // page thread only
    bool m_finishing = false;     // page thread only
};
