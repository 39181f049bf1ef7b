#include "own_directory.h"

#include <windows.h>

#include <string>

#include "utf_codec.h"

namespace {

// The module's full file name, however long: the buffer grows until the name fits.
std::wstring module_file_name(HMODULE module) {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = ::GetModuleFileNameW(module, &name[0], static_cast<DWORD>(name.size()));
        if (got == 0) return std::wstring();
        if (got < name.size()) {
            name.resize(got);
            return name;
        }
        if (name.size() >= 32768) return std::wstring();  // longer than any Windows path
        name.resize(name.size() * 2);
    }
}

}  // namespace

// The module is the one loaded under `ownFileName` (the program, or a bridge's library); its
// directory is its file name up to the last path separator.
std::string own_directory(const char* ownFileName) {
    if (ownFileName == nullptr || *ownFileName == 0) return std::string();
    HMODULE module = ::GetModuleHandleA(ownFileName);
    if (module == nullptr) return std::string();
    const std::wstring name = module_file_name(module);
    const size_t separator = name.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return std::string();
    std::string directory;
    utf16_to_utf8_append(reinterpret_cast<const uint16_t*>(name.data()), separator + 1, directory);
    return directory;
}
