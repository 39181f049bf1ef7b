#pragma once
// The interfaces between a COM add-in and the Windows bridges that drive it: those the add-in's
// object offers, and those of the connection object that a bridge hands to the add-in's Init.
// Plain vtable interfaces in the order the add-ins are built against; their IIDs are fixed.
// They live in a namespace because IContext shares its name with a system interface.
// IPropertyBag and IErrorLog are the platform's own.

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

namespace com_addin {

// Offered by the add-in's object.

extern const IID IID_IInitDoneCom;  // {AB634001-F13D-11D0-A459-004095E1DAEA}
struct IInitDoneCom : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Init(IDispatch* connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE Done() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInfo(SAFEARRAY** info) = 0;
};

extern const IID IID_ILanguageExtenderCom;  // {AB634003-F13D-11D0-A459-004095E1DAEA}
struct ILanguageExtenderCom : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE RegisterExtensionAs(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNProps(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindProp(BSTR name, long* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropName(long index, long alias, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropVal(long index, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPropVal(long index, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPropReadable(long index, BOOL* readable) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPropWritable(long index, BOOL* writable) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNMethods(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindMethod(BSTR name, long* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethodName(long index, long alias, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNParams(long index, long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetParamDefValue(long index, long param,
                                                       VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE HasRetVal(long index, BOOL* hasRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE CallAsProc(long index, SAFEARRAY** params) = 0;
    virtual HRESULT STDMETHODCALLTYPE CallAsFunc(long index, VARIANT* result,
                                                 SAFEARRAY** params) = 0;
};

// Optional: an object without it gets no locale.
extern const IID IID_ILocaleCom;  // {E88A191E-8F52-4261-9FAE-FF7AA84F5D7E}
struct ILocaleCom : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetLocale(BSTR locale) = 0;
};

// Offered by the connection object.

extern const IID IID_IAsyncEvent;  // {AB634004-F13D-11D0-A459-004095E1DAEA}
struct IAsyncEvent : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetEventBufferDepth(long depth) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEventBufferDepth(long* depth) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExternalEvent(BSTR source, BSTR message, BSTR data) = 0;
    virtual HRESULT STDMETHODCALLTYPE CleanEventBuffer() = 0;
};

extern const IID IID_IStatusLine;  // {AB634005-F13D-11D0-A459-004095E1DAEA}
struct IStatusLine : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetStatusLine(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetStatusLine() = 0;
};

// IPropertyBag's Read and Write, then one operation of its own.
extern const IID IID_IPropertyProfile;  // {AB634002-F13D-11D0-A459-004095E1DAEA}
struct IPropertyProfile : public IPropertyBag {
    virtual HRESULT STDMETHODCALLTYPE RegisterProfileAs(BSTR name) = 0;
};

// Every bridge answers all three with E_NOTIMPL and reads no argument.
extern const IID IID_IExtWndsSupport;  // {EFE19EA0-09E4-11D2-A601-008048DA00DE}
struct IExtWndsSupport : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetAppMainFrame(long* frame) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAppMDIFrame(long* frame) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAddInWindow(BSTR progId, BSTR windowName,
                                                        long style, long exStyle, RECT* rect,
                                                        long flags, long* window,
                                                        IDispatch** control) = 0;
};

extern const IID IID_IMsgBox;  // {3C2136B5-B35A-4FAC-9AC3-F77F361E9467}
struct IMsgBox : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Confirm(BSTR text, VARIANT* answer) = 0;
    virtual HRESULT STDMETHODCALLTYPE Alert(BSTR text) = 0;
};

// The native AppInfo's three fields; the record belongs to the connection object.
struct PlatformInfoRecord {
    BSTR AppVersion;
    BSTR UserAgentInformation;
    long Application;
};

extern const IID IID_IPlatformInfo;  // {AAABE126-2230-4A7D-9DDA-8987FD2A62BA}
struct IPlatformInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPlatformInfo(PlatformInfoRecord** info) = 0;
};

// A bridge's own access to the add-in's properties and methods; `params` of call holds a
// SAFEARRAY of VARIANT.
extern const IID IID_IContext;  // {DC2D1A61-4031-41D9-8784-45834BDCC4E2}
struct IContext : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE getPropVal(BSTR name, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE setPropVal(BSTR name, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE call(BSTR name, VARIANT* params, VARIANT* result) = 0;
};

}  // namespace com_addin
