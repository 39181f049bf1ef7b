#pragma once
// AdapterCOM: the adapter for add-ins that are COM objects. This build's configuration
// selects native add-ins, and the COM road is not served yet: the class is registered and
// creatable, answers the site's interfaces, and reports every operation as not implemented,
// so a site of kind 1 fails its initialize cleanly.

#include <windows.h>

#include "com_object.h"
#include "server_interfaces.h"
#include "typelib_dispatch.h"

class AdapterCOM : public velmor_atl::DispatchImpl<IAdapterCOM>,
                   public quillon::IContext,
                   public quillon::IAdapterDefBase,
                   public velmor_atl::ComObjectRoot {
public:
    explicit AdapterCOM(IUnknown* outer);

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

    // IContext
    STDMETHODIMP getPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP setPropVal(BSTR name, VARIANT* value) override;
    STDMETHODIMP call(BSTR name, VARIANT* params, VARIANT* result) override;

protected:
    void* findInterface(REFIID iid) override;
};
