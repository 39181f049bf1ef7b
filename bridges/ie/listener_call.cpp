#include "listener_call.h"

#include <new>
#include <vector>

#include "interface_holder.h"

HRESULT call_listener(IDispatch* listener, const wchar_t* method, VARIANT* arguments,
                      UINT count, VARIANT* result) {
    if (listener == nullptr) return E_NOINTERFACE;
    // The page may replace or drop the site's listener from inside this very call.
    const auto held = com_addin::InterfaceHolder<IDispatch>::referenced(listener);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(method);
    HRESULT hr = listener->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    // IDispatch takes the arguments last first.
    VARIANT reversed[4];
    std::vector<VARIANT> more;
    VARIANT* args = reversed;
    if (count > 4) {
        try {
            more.resize(count);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        args = more.data();
    }
    for (UINT i = 0; i < count; ++i) args[i] = arguments[count - 1 - i];
    DISPPARAMS params{count != 0 ? args : nullptr, nullptr, count, 0};
    VARIANT answer;
    VariantInit(&answer);
    EXCEPINFO exception{};
    UINT argError = 0;
    hr = listener->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &answer, &exception,
                          &argError);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (SUCCEEDED(hr) && result != nullptr && answer.vt != VT_EMPTY) {
        VariantClear(result);
        *result = answer;  // handed over
    } else {
        VariantClear(&answer);
    }
    return hr;
}

VARIANT lent_bstr(BSTR text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}
