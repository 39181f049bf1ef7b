#include "library_classes.h"

#include <windows.h>
#include <objbase.h>

#include <cstdlib>

#include "ComponentBase.h"
#include "bridge_config.h"
#include "server_text.h"

namespace {

constexpr DWORD kModulePathSize = 2048;
constexpr int kClassListSize = 1024;
constexpr UINT kClassListString = 100;

bool native_class_list(const std::wstring& path, std::wstring* list) {
    HMODULE library = LoadLibraryA(thread_ansi(path.c_str()).c_str());
    if (library == nullptr) return false;
    auto names = reinterpret_cast<GetClassNamesPtr>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetClassNames")));
    const uint16_t* text = names != nullptr ? names() : nullptr;
    *list = text != nullptr ? std::wstring(reinterpret_cast<const wchar_t*>(text)) : path;
    FreeLibrary(library);
    return true;
}

typedef HRESULT(STDAPICALLTYPE* DllInstallPtr)(BOOL, LPCWSTR);
typedef HRESULT(STDAPICALLTYPE* DllRegisterServerPtr)();

// True when the library could be opened (its class names then get the "AddIn." prefix).
bool com_class_list(const std::wstring& path, std::wstring* list) {
    HINSTANCE library = CoLoadLibrary(const_cast<LPOLESTR>(path.c_str()), TRUE);
    if (library == nullptr) {
        *list = path;
        return false;
    }
    auto install = reinterpret_cast<DllInstallPtr>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllInstall")));
    if (install == nullptr || install(TRUE, L"user") != S_OK) {
        auto registerServer = reinterpret_cast<DllRegisterServerPtr>(
            reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
        if (registerServer != nullptr) registerServer();
    }
    wchar_t buffer[kClassListSize] = {};
    const int length = LoadStringW(library, kClassListString, buffer, kClassListSize);
    *list = length > 0 ? std::wstring(buffer, static_cast<size_t>(length)) : path;
    CoFreeLibrary(library);
    return true;
}

}  // namespace

std::wstring addin_library_path(const std::wstring& url) {
    CLSID clsid;
    if (SUCCEEDED(CLSIDFromProgID(url.c_str(), &clsid))) return url;
    wchar_t own[kModulePathSize] = {};
    GetModuleFileNameW(GetModuleHandleW(widened(nameFilePrj).c_str()), own, kModulePathSize);
    wchar_t drive[_MAX_DRIVE] = {}, directory[kModulePathSize] = {};
    _wsplitpath_s(own, drive, _MAX_DRIVE, directory, kModulePathSize, nullptr, 0, nullptr, 0);
    return std::wstring(drive) + directory + widened(nameFileComponent);
}

bool addin_class_list(const std::wstring& path, AddInComponentType kind, ClassList* list) {
    list->addInPrefix = false;
    if (kind == eAddInNative) return native_class_list(path, &list->text);
    list->addInPrefix = com_class_list(path, &list->text);
    return true;
}

std::vector<std::wstring> split_class_list(const ClassList& classList) {
    const std::wstring& list = classList.text;
    const bool addInPrefix = classList.addInPrefix;
    std::vector<std::wstring> classes;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L'|', start);
        if (end == std::wstring::npos) end = list.size();
        if (end > start) {
            const std::wstring piece = list.substr(start, end - start);
            classes.push_back(addInPrefix ? L"AddIn." + piece : piece);
        }
        start = end + 1;
    }
    return classes;
}
