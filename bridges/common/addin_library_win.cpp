#include "addin_library.h"

#include <windows.h>

HMODULE open_library(const std::string& utf8Path) {
    // The wide form: a folder whose name lies outside the ANSI code page still opens.
    Utf16String wide;
    utf8_to_utf16_append(utf8Path.data(), utf8Path.size(), wide);
    if (wide.empty()) return nullptr;
    return ::LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
}

void* library_symbol(HMODULE lib, const char* name) {
    if (lib == nullptr) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(lib, name));
}

void close_library(HMODULE lib) {
    if (lib != nullptr) ::FreeLibrary(lib);
}
