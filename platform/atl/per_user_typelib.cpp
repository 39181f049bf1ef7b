#include "per_user_typelib.h"

namespace velmor_atl {

namespace {

typedef HRESULT(WINAPI* RegisterForUser)(ITypeLib*, OLECHAR*, OLECHAR*);
typedef HRESULT(WINAPI* UnregisterForUser)(REFGUID, WORD, WORD, LCID, SYSKIND);

FARPROC automation_function(const char* name) {
    HMODULE automation = GetModuleHandleW(L"oleaut32.dll");
    return automation != nullptr ? GetProcAddress(automation, name) : nullptr;
}

}  // namespace

HRESULT register_type_library_for_user(ITypeLib* library, const wchar_t* path,
                                       const wchar_t* helpDirectory) {
    OLECHAR* file = const_cast<OLECHAR*>(path);
    OLECHAR* help = const_cast<OLECHAR*>(helpDirectory);
    auto perUser = reinterpret_cast<RegisterForUser>(
        reinterpret_cast<void*>(automation_function("RegisterTypeLibForUser")));
    if (perUser != nullptr) return perUser(library, file, help);
    return RegisterTypeLib(library, file, help);
}

HRESULT unregister_type_library_for_user(REFGUID libid, WORD major, WORD minor, LCID locale,
                                         SYSKIND kind) {
    auto perUser = reinterpret_cast<UnregisterForUser>(
        reinterpret_cast<void*>(automation_function("UnRegisterTypeLibForUser")));
    if (perUser != nullptr) return perUser(libid, major, minor, locale, kind);
    return UnRegisterTypeLib(libid, major, minor, locale, kind);
}

}  // namespace velmor_atl
