#pragma once
// The plain vtable interfaces between the server's own objects (and the service's full
// table, which only a compiled client reaches). They live in a namespace because one of them
// shares its name, IContext, with a system interface; their IIDs are fixed.

#include <windows.h>
#include <oaidl.h>

#include "com_addin_interfaces.h"
#include "quillon_ie.h"

namespace quillon {

// {55EBCAF3-5B52-4FAE-9E35-187662AD4381}: the type library's table plus three operations.
extern const IID IID_IAddInServiceExFull;
struct IAddInServiceExFull : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE init(IDispatch* listener) = 0;
    virtual HRESULT STDMETHODCALLTYPE loadAddIn(BSTR name, BSTR url, short type) = 0;
    virtual HRESULT STDMETHODCALLTYPE createInstance(BSTR name, IAddInSite** ppvObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE releaseObject(IUnknown* src) = 0;
    virtual HRESULT STDMETHODCALLTYPE setLocale(BSTR locale) = 0;
    virtual HRESULT STDMETHODCALLTYPE makeTempLibraryName(BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE findRecentFile(BSTR fileName, VARIANT unused,
                                                     BSTR* path) = 0;
    virtual HRESULT STDMETHODCALLTYPE reserved() = 0;
};

// IAddInSite with the one operation that only the vtable carries.
struct IAddInSiteFull : public ::IAddInSite {
    virtual HRESULT STDMETHODCALLTYPE getWindow(VARIANT* result) = 0;
};

// {90BBC21A-AFA2-446D-B74E-10CECAC59DA8}: a site's calls of the page's listener.
extern const IID IID_ISiteEx;
struct ISiteEx : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE setListener(IDispatch* listener) = 0;
    virtual HRESULT STDMETHODCALLTYPE setLocale(BSTR locale) = 0;
    virtual HRESULT STDMETHODCALLTYPE addError(unsigned short wcode, BSTR source,
                                               BSTR description, long scode) = 0;
    virtual HRESULT STDMETHODCALLTYPE readValue(BSTR name, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE writeValue(BSTR name, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE registerProfileAs(BSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE setStatusLine(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE resetStatusLine() = 0;
    virtual HRESULT STDMETHODCALLTYPE externalEvent(BSTR source, BSTR message, BSTR data) = 0;
    virtual HRESULT STDMETHODCALLTYPE getObject(BSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE registerClassName(BSTR key) = 0;
    virtual HRESULT STDMETHODCALLTYPE messageBox(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE queryBox(BSTR text, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getUserAgent(VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE createObject(BSTR name, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE getVersion(BSTR* version) = 0;
};

// {2D625C82-0069-43F9-9C2B-B0A01CB17A67}: the adapters' way back into their site.
extern const IID IID_IInnerListener;
struct IInnerListener : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetEventBufferDepth(long depth) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEventBufferDepth(long* depth) = 0;
    virtual HRESULT STDMETHODCALLTYPE CleanEventBuffer() = 0;
    virtual HRESULT STDMETHODCALLTYPE ExternalEvent(BSTR source, BSTR message, BSTR data) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddError(unsigned short wcode, BSTR source,
                                               BSTR description, long scode) = 0;
    virtual HRESULT STDMETHODCALLTYPE Read(BSTR name, VARIANT* value, long* errorCode,
                                           BSTR* errorDescription) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(BSTR name, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterProfileAs(BSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStatusLine(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetStatusLine() = 0;
};

// {0F96A2C5-F8D8-4F23-B429-B305135F47EF}: how a site loads and unloads its add-in object.
extern const IID IID_IAdapterDefBase;
struct IAdapterDefBase : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE setSite(IUnknown* site) = 0;
    virtual HRESULT STDMETHODCALLTYPE getInfo(long* version) = 0;
    virtual HRESULT STDMETHODCALLTYPE registerExtensionAs(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE isLoaded(int* loaded) = 0;
    virtual HRESULT STDMETHODCALLTYPE load(BSTR className, BSTR fileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE done() = 0;
    virtual HRESULT STDMETHODCALLTYPE getPropPage(IUnknown** page) = 0;
    virtual HRESULT STDMETHODCALLTYPE getCLSID(CLSID* clsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE setLocale(BSTR locale) = 0;
};

// A site's property and method calls: the interface that COM add-ins' connection objects
// also offer.
using com_addin::IContext;
using com_addin::IID_IContext;

// {3F3BC8D5-C0AC-4544-8A76-632EC0989318}: ButtonIE's two values, for vtable clients only.
extern const IID IID_IButtonIE;
struct IButtonIE : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE setValues(VARIANT first, VARIANT second) = 0;
    virtual HRESULT STDMETHODCALLTYPE getFirst(VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE getSecond(VARIANT* value) = 0;
};

// {1B58ABD3-AE96-4867-80E8-CF1C6462BCAA}: ButtonIE stays out of the type library.
extern const CLSID CLSID_ButtonIE;

}  // namespace quillon
