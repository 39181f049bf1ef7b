#include <windows.h>

#include <string>

#include "library_loader.h"

namespace velmor_test {

namespace {

// The tests run under Wine with the build tree's paths, which Wine sees on drive Z:.
std::wstring windows_path(const std::string& path) {
    std::string dosPath = path;
    if (!dosPath.empty() && dosPath[0] == '/') dosPath = "Z:" + dosPath;
    for (char& c : dosPath) {
        if (c == '/') c = '\\';
    }
    const int units = MultiByteToWideChar(CP_UTF8, 0, dosPath.c_str(), -1, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, dosPath.c_str(), -1, &wide[0], units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

}  // namespace

void* load_library(const std::string& path) {
    return reinterpret_cast<void*>(LoadLibraryW(windows_path(path).c_str()));
}

void* hold_loaded_library(const std::string& path) {
    HMODULE library = nullptr;
    if (!GetModuleHandleExW(0, windows_path(path).c_str(), &library)) return nullptr;
    return reinterpret_cast<void*>(library);
}

void* find_symbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unload_library(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

std::string last_library_error() {
    const DWORD code = GetLastError();
    if (code == 0) return "";
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = "error " + std::to_string(code);
    if (length > 0) message += ": " + std::string(text, length);
    LocalFree(text);
    return message;
}

}  // namespace velmor_test
