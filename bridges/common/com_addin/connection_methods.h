#pragma once
// The connection object's late-bound names, kConnectionMethods, and the table-driven IDispatch
// that serves them. A bridge's connection object derives from ConnectionDispatch<its first
// interface> and gives the table its own interfaces through ConnectionOperations.

#include <windows.h>
#include <oaidl.h>

#include "com_addin_interfaces.h"

namespace com_addin {

struct ConnectionMethod {
    DISPID id;
    const wchar_t* name;  // null in the end marker
    bool method;          // false for a property
    int paramCount;
    VARTYPE paramTypes[16];  // the first paramCount are used
};

// 17 rows, then the end marker {-1, nullptr}.
extern const ConnectionMethod kConnectionMethods[];

// What the rows act on: the connection object's own interfaces.
class ConnectionOperations {
public:
    virtual ~ConnectionOperations() = default;
    virtual IPropertyProfile* profile() = 0;
    virtual IAsyncEvent* asyncEvent() = 0;
    virtual IStatusLine* statusLine() = 0;
    virtual IContext* context() = 0;
    // Row 5: the error report that IErrorLog::AddError makes.
    virtual HRESULT reportError(unsigned short wCode, BSTR source, BSTR description,
                                long scode) = 0;
    // The property row "AppDispatch"; not served unless a bridge says otherwise.
    virtual HRESULT appDispatch(WORD flags, VARIANT* result);
};

// GetIDsOfNames over the table: ASCII letters compared without case, DISPID_UNKNOWN and
// DISP_E_UNKNOWNNAME for a name no row has (the other names are still looked up).
HRESULT connection_ids_of_names(LPOLESTR* names, UINT count, DISPID* ids);

// Invoke of one row on `operations`; `argError` (may be null) receives the position of a
// parameter that could not be converted.
HRESULT connection_invoke(ConnectionOperations& operations, DISPID id, WORD flags,
                          DISPPARAMS* params, VARIANT* result, UINT* argError);

// The IDispatch part of a connection object: no type information, kConnectionMethods.
template <class Interface>
class ConnectionDispatch : public Interface {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) *info = nullptr;
        return E_FAIL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                               DISPID* ids) override {
        return connection_ids_of_names(names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO*, UINT* argError) override {
        return connection_invoke(connectionOperations(), id, flags, params, result, argError);
    }

protected:
    virtual ConnectionOperations& connectionOperations() = 0;
};

}  // namespace com_addin
