#include "own_addin_library.h"

#include <cstdlib>
#include <cwchar>

#include "bridge_config.h"
#include "server_text.h"

namespace {

constexpr DWORD kModulePathSize = 2048;

// The full path with its long names where the file exists; empty when it cannot be formed.
std::wstring canonical_path(const wchar_t* path) {
    std::wstring full(kModulePathSize, L'\0');
    DWORD length = GetFullPathNameW(path, kModulePathSize, &full[0], nullptr);
    if (length == 0 || length >= kModulePathSize) return std::wstring();
    full.resize(length);
    std::wstring expanded(kModulePathSize, L'\0');
    length = GetLongPathNameW(full.c_str(), &expanded[0], kModulePathSize);
    if (length == 0 || length >= kModulePathSize) return full;
    expanded.resize(length);
    return expanded;
}

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A network share or a device path ("\\server\share", "\\?\", "//server"): never looked
// up, since asking about it would reach out to another machine.
bool is_network_or_device(const wchar_t* path) {
    return is_separator(path[0]) && is_separator(path[1]);
}

}  // namespace

std::wstring own_addin_library_path() {
    wchar_t own[kModulePathSize] = {};
    GetModuleFileNameW(GetModuleHandleW(widened(nameFilePrj).c_str()), own, kModulePathSize);
    wchar_t drive[_MAX_DRIVE] = {}, directory[kModulePathSize] = {};
    _wsplitpath_s(own, drive, _MAX_DRIVE, directory, kModulePathSize, nullptr, 0, nullptr, 0);
    return std::wstring(drive) + directory + widened(nameFileComponent);
}

bool is_own_addin_library(BSTR path) {
    if (path == nullptr || path[0] == L'\0') return false;
    if (std::wcslen(path) != SysStringLen(path)) return false;
    const std::wstring ownPath = own_addin_library_path();
    if (is_network_or_device(path) && !is_network_or_device(ownPath.c_str())) return false;
    const std::wstring given = canonical_path(path);
    const std::wstring own = canonical_path(ownPath.c_str());
    if (given.empty() || own.empty()) return false;
    return CompareStringOrdinal(given.c_str(), static_cast<int>(given.size()), own.c_str(),
                                static_cast<int>(own.size()), TRUE) == CSTR_EQUAL;
}
