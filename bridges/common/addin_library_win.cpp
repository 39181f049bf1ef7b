#include "addin_library.h"

#include <windows.h>

namespace {

// Whether the UTF-8 bytes, read in the ANSI code page as the narrow calls read them, name the
// same path: true for every ASCII path, and for any path where that code page is UTF-8.
bool same_in_ansi(const std::string& utf8Path, const Utf16String& wide) {
    const int units = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, utf8Path.data(),
                                            static_cast<int>(utf8Path.size()), nullptr, 0);
    if (units <= 0 || static_cast<size_t>(units) != wide.size()) return false;
    Utf16String ansi(static_cast<size_t>(units), 0);
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, utf8Path.data(),
                          static_cast<int>(utf8Path.size()), reinterpret_cast<wchar_t*>(&ansi[0]),
                          units);
    return ansi == wide;
}

}  // namespace

HMODULE open_library(const std::string& utf8Path) {
    Utf16String wide;
    utf8_to_utf16_append(utf8Path.data(), utf8Path.size(), wide);
    if (wide.empty()) return nullptr;
    // The narrow call first, as the bridges always did, but only with bytes that name this
    // very path (other bytes would name another file); then the wide form, which also opens a
    // folder whose name lies outside the ANSI code page.
    if (same_in_ansi(utf8Path, wide)) {
        if (HMODULE lib = ::LoadLibraryA(utf8Path.c_str())) return lib;
    }
    return ::LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
}

void* library_symbol(HMODULE lib, const char* name) {
    if (lib == nullptr) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(lib, name));
}

void close_library(HMODULE lib) {
    if (lib != nullptr) ::FreeLibrary(lib);
}
