// Component libraries on Windows: LoadLibraryW of the path (UTF-8, either separator), exports
// by GetProcAddress. A missing import is reported by the loader when loading, as on POSIX.

#include <windows.h>

#include <string>

#include "module_library.h"
#include "utf_codec.h"

namespace xpcom_runtime {

namespace {

// The path as the loader wants it: UTF-16 with backslashes only (LoadLibrary does not take
// forward slashes in every form of path).
std::wstring loader_path(const std::string& path) {
    Utf16String wide;
    utf8_to_utf16_append(path.data(), path.size(), wide);
    std::wstring result(wide.begin(), wide.end());
    for (wchar_t& unit : result) {
        if (unit == L'/') unit = L'\\';
    }
    return result;
}

std::string error_text(DWORD code, const std::string& path) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = "cannot load " + path + " (error " + std::to_string(code) + ")";
    if (length > 0) message += ": " + std::string(text, length);
    LocalFree(text);
    return message;
}

}  // namespace

void* open_library(const std::string& path, std::string& error) {
    // No error dialog for a library that lacks a DLL it imports: a failure to report.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE library = LoadLibraryW(loader_path(path).c_str());
    const DWORD code = GetLastError();
    SetErrorMode(previous);
    if (library == nullptr) error = error_text(code, path);
    return reinterpret_cast<void*>(library);
}

void* library_symbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void close_library(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace xpcom_runtime
