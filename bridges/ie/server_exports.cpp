// The server's five exports. Registration is always per user, whatever the caller asks.

#include <windows.h>

#include "module_state.h"
#include "server_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        velmor_atl::set_module_handle(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return COskerraModule::instance().getClassObject(clsid, iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return COskerraModule::instance().canUnload() ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    COskerraModule& module = COskerraModule::instance();
    module.setPerUser();
    return module.registerServer();
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    COskerraModule& module = COskerraModule::instance();
    module.setPerUser();
    return module.unregisterServer();
}

extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine) {
    COskerraModule& module = COskerraModule::instance();
    // "user" is recognised, but per-user mode is set whatever the command line says.
    if (commandLine != nullptr) (void)_wcsnicmp(commandLine, L"user", 5);
    module.setPerUser();
    if (!install) return module.unregisterServer();
    const HRESULT hr = module.registerServer();
    if (FAILED(hr)) module.unregisterServer();
    return hr;
}
