#pragma once
// The connection object's host side, as a COM add-in sees it: IDispatch (which knows no names),
// IAsyncEvent, IStatusLine, IPropertyProfile (also serving as IPropertyBag) and IErrorLog. It
// lives inside the COM adapter: identity and reference count are the adapter's, and every call
// goes at once to the site's listener; without one it answers E_FAIL. From a thread of the
// add-in's own only the events and the event buffer's depth pass; every other call fails
// there without reaching the listener.
// The add-in may keep the connection, and its threads may call, after the site has gone: the
// listener is cut first, and nothing reaches it afterwards.

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include "callback_target.h"
#include "com_addin_interfaces.h"
#include "nsISupports.h"
#include "site_interfaces.h"

class ComConnection final : public IDispatch,
                            public com_addin::IAsyncEvent,
                            public com_addin::IStatusLine,
                            public com_addin::IPropertyProfile,
                            public IErrorLog {
public:
    // `owner` answers QueryInterface and counts the references; `frames` hears of the
    // add-in's calls on the main thread (each holds the listener meanwhile).
    ComConnection(nsISupports& owner, HostCallFrames* frames)
        : m_owner(owner), m_listener(frames) {}
    ComConnection(const ComConnection&) = delete;
    ComConnection& operator=(const ComConnection&) = delete;

    // The site, not counted.
    void setListener(IInnerListener* listener) { m_listener.set(listener); }
    // No listener from now on; returns once no callback of another thread is still in it.
    void cutListener() { m_listener.cut(); }
    // The part for a COM interface, uncounted; null for an identifier it does not serve.
    void* part(const nsID& iid);
    IDispatch* dispatch() { return this; }

    // IUnknown: the owner's
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch: no names
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override;

    // IAsyncEvent
    STDMETHODIMP SetEventBufferDepth(long depth) override;
    STDMETHODIMP GetEventBufferDepth(long* depth) override;
    STDMETHODIMP ExternalEvent(BSTR source, BSTR message, BSTR data) override;
    STDMETHODIMP CleanEventBuffer() override;
    // IStatusLine
    STDMETHODIMP SetStatusLine(BSTR text) override;
    STDMETHODIMP ResetStatusLine() override;
    // IPropertyProfile; a refused Read is reported to the error log and still answers S_OK
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;
    STDMETHODIMP RegisterProfileAs(BSTR name) override;
    // IErrorLog; `name` is not used
    STDMETHODIMP AddError(LPCOLESTR name, EXCEPINFO* info) override;

private:
    nsISupports& m_owner;
    // Set and cut on the main thread, used on the add-in's threads.
    com_addin::CallbackTarget<IInnerListener> m_listener;
};
