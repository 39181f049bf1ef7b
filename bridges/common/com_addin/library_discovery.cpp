#include "library_discovery.h"

#include <objbase.h>

namespace com_addin {

namespace {

constexpr UINT kClassListString = 100;
constexpr int kWideClassListUnits = 1024;
constexpr int kNarrowClassListBytes = 256;
constexpr wchar_t kProgIdPrefix[] = L"AddIn.";

typedef HRESULT(STDAPICALLTYPE* DllInstallEntry)(BOOL, LPCWSTR);
typedef HRESULT(STDAPICALLTYPE* DllRegisterServerEntry)();

template <class Entry>
Entry entry_point(HMODULE library, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

std::wstring wide_class_list(HMODULE library) {
    wchar_t buffer[kWideClassListUnits] = {};
    const int units = LoadStringW(library, kClassListString, buffer, kWideClassListUnits);
    return units > 0 ? std::wstring(buffer, static_cast<size_t>(units)) : std::wstring();
}

std::wstring narrow_class_list(HMODULE library) {
    char buffer[kNarrowClassListBytes] = {};
    const int bytes = LoadStringA(library, kClassListString, buffer, kNarrowClassListBytes);
    if (bytes <= 0) return std::wstring();
    const int units = MultiByteToWideChar(CP_UTF8, 0, buffer, bytes, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, buffer, bytes, &text[0], units);
    return text;
}

}  // namespace

bool is_registered_progid(const std::wstring& location) {
    CLSID clsid;
    return SUCCEEDED(CLSIDFromProgID(location.c_str(), &clsid));
}

void register_library(HMODULE library) {
    auto install = entry_point<DllInstallEntry>(library, "DllInstall");
    if (install != nullptr && install(TRUE, L"user") == S_OK) return;
    auto registerServer = entry_point<DllRegisterServerEntry>(library, "DllRegisterServer");
    if (registerServer != nullptr) registerServer();
}

LibraryClasses read_library_classes(const std::wstring& path, ClassListRead read) {
    LibraryClasses classes;
    HINSTANCE library = CoLoadLibrary(const_cast<LPOLESTR>(path.c_str()), TRUE);
    if (library == nullptr) return classes;
    classes.loaded = true;
    register_library(library);
    classes.text = read == ClassListRead::eWide ? wide_class_list(library)
                                                : narrow_class_list(library);
    CoFreeLibrary(library);
    return classes;
}

LibraryClasses location_classes(const std::wstring& location, const std::wstring& ownLibrary,
                                ClassListRead read, std::wstring* source) {
    if (is_registered_progid(location)) {
        *source = location;
        return LibraryClasses();
    }
    *source = ownLibrary;
    return read_library_classes(ownLibrary, read);
}

std::vector<std::wstring> class_progids(const LibraryClasses& classes,
                                        const std::wstring& fallback, EmptyClassNames empty) {
    const std::wstring& list = classes.text.empty() ? fallback : classes.text;
    const std::wstring prefix = classes.loaded ? kProgIdPrefix : L"";
    std::vector<std::wstring> progIds;
    size_t start = 0;
    for (;;) {
        size_t end = list.find(L'|', start);
        const bool last = end == std::wstring::npos;
        if (last) end = list.size();
        if (end > start || empty == EmptyClassNames::eKeep) {
            progIds.push_back(prefix + list.substr(start, end - start));
        }
        if (last) break;
        start = end + 1;
    }
    return progIds;
}

}  // namespace com_addin
