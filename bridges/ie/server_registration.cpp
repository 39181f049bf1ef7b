#include "server_registration.h"

#include <comcat.h>

#include <string>

#include "bridge_config.h"
#include "module_state.h"
#include "per_user_typelib.h"
#include "quillon_ie.h"
#include "registry_script.h"
#include "server_module.h"
#include "server_names.h"
#include "server_resources.h"
#include "server_text.h"

namespace {

using velmor_atl::Replacements;
using velmor_atl::ScriptMode;

// CATID_SafeForScripting and CATID_SafeForInitializing.
const CATID kSafeCategories[] = {
    {0x7DD95801, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}},
    {0x7DD95802, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}},
};

// The calling thread works in the system's default locale while registering.
class SystemLocale {
public:
    SystemLocale() : m_saved(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~SystemLocale() { SetThreadLocale(m_saved); }
    SystemLocale(const SystemLocale&) = delete;
    SystemLocale& operator=(const SystemLocale&) = delete;

private:
    LCID m_saved;
};

std::wstring guid_text(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring quotes_doubled(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        out += c;
        if (c == L'\'') out += L'\'';
    }
    return out;
}

Replacements module_replacements() {
    return {{L"APPID", kAppIdName}, {L"MODULE", quotes_doubled(velmor_atl::module_path())}};
}

HRESULT run_script(UINT id, Replacements replacements, ScriptMode mode, bool perUser) {
    std::wstring script;
    const HRESULT hr = velmor_atl::load_registry_script(velmor_atl::module_handle(), id, &script);
    if (FAILED(hr)) return hr;
    for (auto& r : module_replacements()) replacements.push_back(r);
    return velmor_atl::run_registry_script(script, replacements, mode, perUser);
}

HRESULT run_appid_script(ScriptMode mode, bool perUser) {
    return run_script(IDR_APPID_SCRIPT,
                      {{L"PROG", kAppIdName}, {L"FILE", widened(nameFilePrj)}}, mode, perUser);
}

HRESULT run_class_script(const ServerClass& c, ScriptMode mode, bool perUser) {
    return run_script(IDR_CLASS_SCRIPT,
                      {{L"PROGID", c.progId},
                       {L"VERSION", L"1"},
                       {L"DESCRIPTION", c.description},
                       {L"CLSID", guid_text(*c.clsid)},
                       {L"LIBID", guid_text(LIBID_QuillonIELib)}},
                      mode, perUser);
}

// The categories go through the system's manager; without one they are skipped.
void register_categories(const ServerClass& c, bool add) {
    if (!c.safeForScripting) return;
    ICatRegister* manager = nullptr;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICatRegister, reinterpret_cast<void**>(&manager)))) {
        return;
    }
    for (const CATID& category : kSafeCategories) {
        CATID one = category;
        if (add) {
            manager->RegisterClassImplCategories(*c.clsid, 1, &one);
        } else {
            manager->UnRegisterClassImplCategories(*c.clsid, 1, &one);
        }
    }
    manager->Release();
}

void remove_if_empty(HKEY parent, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0;
    const bool empty = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                        &values, nullptr, nullptr, nullptr, nullptr) ==
                           ERROR_SUCCESS &&
                       subkeys == 0 && values == 0;
    RegCloseKey(key);
    if (empty) RegDeleteKeyW(parent, path.c_str());
}

// The category keys that the manager leaves behind, wherever it wrote them.
void remove_empty_category_keys(const ServerClass& c, bool perUser) {
    const std::wstring clsidKey = L"CLSID\\" + guid_text(*c.clsid) + L"\\";
    for (const wchar_t* name : {L"Implemented Categories", L"Required Categories"}) {
        remove_if_empty(HKEY_CLASSES_ROOT, clsidKey + name);
        if (perUser) remove_if_empty(HKEY_CURRENT_USER, L"Software\\Classes\\" + clsidKey + name);
    }
}

HRESULT load_own_type_library(ITypeLib** library, std::wstring* path) {
    *path = velmor_atl::module_path();
    if (path->empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path->c_str(), REGKIND_NONE, library);
}

HRESULT register_type_library(bool perUser) {
    ITypeLib* library = nullptr;
    std::wstring path;
    HRESULT hr = load_own_type_library(&library, &path);
    if (FAILED(hr)) return hr;
    // The library names no help file, so there is no help directory to pass.
    hr = perUser ? velmor_atl::register_type_library_for_user(library, path.c_str(), nullptr)
                 : RegisterTypeLib(library, const_cast<OLECHAR*>(path.c_str()), nullptr);
    library->Release();
    return hr;
}

HRESULT unregister_type_library(bool perUser) {
    ITypeLib* library = nullptr;
    std::wstring path;
    HRESULT hr = load_own_type_library(&library, &path);
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (SUCCEEDED(hr)) {
        const TLIBATTR a = *attributes;
        library->ReleaseTLibAttr(attributes);
        hr = perUser ? velmor_atl::unregister_type_library_for_user(
                           a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind)
                     : UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid,
                                         a.syskind);
    }
    library->Release();
    return hr;
}

}  // namespace

HRESULT register_server(bool perUser) {
    SystemLocale locale;
    HRESULT hr = run_appid_script(ScriptMode::eRegister, perUser);
    if (FAILED(hr)) return hr;
    size_t count = 0;
    const ServerClass* classes = server_classes(&count);
    for (size_t i = 0; i < count; ++i) {
        hr = run_class_script(classes[i], ScriptMode::eRegister, perUser);
        if (FAILED(hr)) return hr;
        register_categories(classes[i], true);
    }
    return register_type_library(perUser);
}

HRESULT unregister_server(bool perUser) {
    SystemLocale locale;
    size_t count = 0;
    const ServerClass* classes = server_classes(&count);
    for (size_t i = 0; i < count; ++i) {
        register_categories(classes[i], false);
        remove_empty_category_keys(classes[i], perUser);
        const HRESULT hr = run_class_script(classes[i], ScriptMode::eUnregister, perUser);
        if (FAILED(hr)) return hr;
    }
    const HRESULT hr = unregister_type_library(perUser);
    if (FAILED(hr)) return hr;
    return run_appid_script(ScriptMode::eUnregister, perUser);
}
