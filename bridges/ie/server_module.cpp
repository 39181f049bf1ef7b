#include "server_module.h"

#include "adapter_com.h"
#include "adapter_native.h"
#include "addin_service.h"
#include "addin_site.h"
#include "button_ie.h"
#include "com_boundary.h"
#include "module_state.h"
#include "server_interfaces.h"
#include "server_registration.h"

namespace {

const ServerClass kClasses[] = {
    {&CLSID_AddInServiceEx, L"QuillonIE.AddInServiceEx", L"AddInServiceEx Class", true,
     &velmor_atl::create_object<AddInServiceEx>},
    {&CLSID_AdapterCOM, L"QuillonIE.AdapterCOM", L"AdapterCOM Class", false,
     &velmor_atl::create_object<AdapterCOM>},
    {&CLSID_AdapterNative, L"QuillonIE.AdapterNative", L"AdapterNative Class", false,
     &velmor_atl::create_object<AdapterNative>},
    {&CLSID_AddInSite, L"QuillonIE.AddInSite", L"AddInSite Class", true,
     &velmor_atl::create_object<AddInSite>},
    {&quillon::CLSID_ButtonIE, L"ButtonIE", L"ButtonIE Class", false,
     &velmor_atl::create_object<ButtonIE>},
};
static_assert(sizeof kClasses / sizeof kClasses[0] == 5, "five classes");

}  // namespace

const ServerClass* server_classes(size_t* count) {
    *count = sizeof kClasses / sizeof kClasses[0];
    return kClasses;
}

COskerraModule& COskerraModule::instance() {
    static COskerraModule module;
    return module;
}

COskerraModule::COskerraModule() { InitializeCriticalSection(&m_lock); }

COskerraModule::~COskerraModule() {
    for (velmor_atl::ClassFactory*& factory : m_factories) {
        if (factory != nullptr) factory->Release();
        factory = nullptr;
    }
    DeleteCriticalSection(&m_lock);
}

HRESULT COskerraModule::getClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    for (size_t i = 0; i < sizeof kClasses / sizeof kClasses[0]; ++i) {
        if (!IsEqualCLSID(clsid, *kClasses[i].clsid)) continue;
        EnterCriticalSection(&m_lock);
        if (m_factories[i] == nullptr) {
            m_factories[i] = new (std::nothrow) velmor_atl::ClassFactory(kClasses[i].create);
            if (m_factories[i] != nullptr) m_factories[i]->AddRef();
        }
        velmor_atl::ClassFactory* factory = m_factories[i];
        if (factory != nullptr) factory->AddRef();
        LeaveCriticalSection(&m_lock);
        if (factory == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
        const HRESULT hr = factory->QueryInterface(iid, out);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

bool COskerraModule::canUnload() const { return velmor_atl::module_lock_count() == 0; }

// The exports' work: its texts and scripts are built in C++ containers, which must not throw
// out of an export.
HRESULT COskerraModule::registerServer() {
    return com_addin::guarded([&] { return register_server(m_perUser); });
}

HRESULT COskerraModule::unregisterServer() {
    return com_addin::guarded([&] { return unregister_server(m_perUser); });
}
