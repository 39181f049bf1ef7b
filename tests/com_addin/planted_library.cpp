// A library that no page's location may ever bring in: the tests plant it in the current
// folder under the names of registered ProgIDs. Its loading and each of its entry points add
// a line to "planted.trace" beside it, so a test sees what ran.

#include <windows.h>

#include <cstdint>
#include <string>

namespace {

HMODULE g_self = nullptr;

void trace(const char* what) {
    wchar_t own[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(g_self, own, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    std::wstring path(own, length);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"planted.trace";
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string line = std::string(what) + "\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

const char16_t kClassNames[] = u"Planted";

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_self = instance;
        trace("DllMain");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) const uint16_t* GetClassNames() {
    trace("GetClassNames");
    return reinterpret_cast<const uint16_t*>(kClassNames);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllInstall(BOOL, LPCWSTR) {
    trace("DllInstall");
    return E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
    trace("DllRegisterServer");
    return S_OK;
}
