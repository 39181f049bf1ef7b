#include "adapter_com.h"

AdapterCOM::AdapterCOM(IUnknown* outer)
    : velmor_atl::DispatchImpl<IAdapterCOM>(IID_IAdapterCOM), velmor_atl::ComObjectRoot(outer) {}

void* AdapterCOM::findInterface(REFIID iid) {
    if (IsEqualIID(iid, IID_IAdapterCOM) || IsEqualIID(iid, IID_IDispatch)) {
        return static_cast<IAdapterCOM*>(this);
    }
    if (IsEqualIID(iid, quillon::IID_IContext)) return static_cast<quillon::IContext*>(this);
    if (IsEqualIID(iid, quillon::IID_IAdapterDefBase)) {
        return static_cast<quillon::IAdapterDefBase*>(this);
    }
    return nullptr;
}

HRESULT AdapterCOM::setSite(IUnknown*) { return E_NOTIMPL; }
HRESULT AdapterCOM::getInfo(long*) { return E_NOTIMPL; }
HRESULT AdapterCOM::registerExtensionAs(BSTR*) { return E_NOTIMPL; }
HRESULT AdapterCOM::isLoaded(int* loaded) {
    if (loaded == nullptr) return E_POINTER;
    *loaded = 0;
    return S_OK;
}
HRESULT AdapterCOM::load(BSTR, BSTR) { return E_NOTIMPL; }
HRESULT AdapterCOM::done() { return S_OK; }
HRESULT AdapterCOM::getPropPage(IUnknown**) { return E_NOTIMPL; }
HRESULT AdapterCOM::getCLSID(CLSID*) { return E_NOTIMPL; }
HRESULT AdapterCOM::setLocale(BSTR) { return E_NOTIMPL; }
HRESULT AdapterCOM::getPropVal(BSTR, VARIANT*) { return E_NOTIMPL; }
HRESULT AdapterCOM::setPropVal(BSTR, VARIANT*) { return E_NOTIMPL; }
HRESULT AdapterCOM::call(BSTR, VARIANT*, VARIANT*) { return E_NOTIMPL; }
