#include "server_setup.h"

#include <cstdlib>
#include <cstring>

namespace velmor_test {

std::wstring windows_path(const std::wstring& path) {
    std::wstring wide = path;
    for (wchar_t& c : wide) {
        if (c == L'/') c = L'\\';
    }
    // A Unix path reaches Windows programs under Wine through drive Z:.
    return wide.size() > 0 && wide[0] == L'\\' ? L"Z:" + wide : wide;
}

std::wstring server_path() {
    // A test may name another copy of the server (one with a stand-in add-in beside it).
    const wchar_t* chosen = _wgetenv(L"VELMOR_IE_SERVER");
    if (chosen != nullptr && *chosen != L'\0') return windows_path(chosen);
    const char* path = VELMOR_IE_SERVER_PATH;
    return windows_path(std::wstring(path, path + strlen(path)));
}

HMODULE server_module() {
    static HMODULE module = LoadLibraryW(server_path().c_str());
    return module;
}

HRESULT call_server_export(const char* name) {
    HMODULE module = server_module();
    if (module == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, name)));
    return entry != nullptr ? entry() : E_NOINTERFACE;
}

// A COM add-in that a test names registers itself first, so that the mirror below holds
// its classes too: under Wine its own per-user registration, made later by the server's
// loader, would not be seen.
HRESULT register_com_addin() {
    const wchar_t* chosen = _wgetenv(L"VELMOR_COM_ADDIN");
    if (chosen == nullptr || *chosen == L'\0') return S_OK;
    HMODULE library = LoadLibraryW(windows_path(chosen).c_str());
    if (library == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    auto install = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllInstall")));
    const HRESULT hr = install != nullptr ? install(TRUE, L"user") : E_NOINTERFACE;
    FreeLibrary(library);
    return hr;
}

HRESULT register_server_for_wine() {
    HRESULT hr = call_server_export("DllRegisterServer");
    if (FAILED(hr)) return hr;
    hr = register_com_addin();
    if (FAILED(hr)) return hr;
    HKEY user = nullptr, machine = nullptr;
    LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_READ, &user);
    if (result == ERROR_SUCCESS) {
        result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, &machine, nullptr);
    }
    if (result == ERROR_SUCCESS) result = RegCopyTreeW(user, nullptr, machine);
    if (user != nullptr) RegCloseKey(user);
    if (machine != nullptr) RegCloseKey(machine);
    return HRESULT_FROM_WIN32(static_cast<unsigned long>(result));
}

std::wstring registry_text(HKEY root, const std::wstring& key, const wchar_t* value,
                           bool* exists) {
    *exists = false;
    wchar_t buffer[2048] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS) {
        return std::wstring();
    }
    *exists = true;
    return buffer;
}

bool registry_key_exists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

std::string narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size - 1));
    return out;
}

}  // namespace velmor_test
