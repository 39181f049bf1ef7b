// The service's two operations for compiled clients: a fresh temporary library name, and a
// file from the Explorer file-dialog history.

#include <windows.h>

#include <string>

#include "addin_service.h"
#include "bstr_holder.h"
#include "com_boundary.h"
#include "interface_holder.h"
#include "server_text.h"

namespace {

constexpr DWORD kTempPathSize = 260;
const wchar_t kHistoryKey[] =
    L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\";

HRESULT last_error() {
    const DWORD error = GetLastError();
    const HRESULT hr = static_cast<HRESULT>(error);
    return hr <= 0 ? hr : HRESULT_FROM_WIN32(error);
}

// "WScript.Shell", called late-bound for RegRead.
class RegistryReader {
public:
    HRESULT open() {
        CLSID shellClass;
        HRESULT hr = CLSIDFromProgID(L"WScript.Shell", &shellClass);
        if (FAILED(hr)) return hr;
        hr = CoCreateInstance(shellClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              m_shell.put_void());
        if (FAILED(hr)) return hr;
        LPOLESTR name = const_cast<LPOLESTR>(L"RegRead");
        return m_shell->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &m_regRead);
    }
    HRESULT read(const std::wstring& path, std::wstring* value) {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = SysAllocString(path.c_str());
        if (argument.bstrVal == nullptr) return E_OUTOFMEMORY;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        VARIANT answer;
        VariantInit(&answer);
        HRESULT hr = m_shell->Invoke(m_regRead, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD,
                                     &params, &answer, nullptr, nullptr);
        VariantClear(&argument);
        if (SUCCEEDED(hr)) hr = VariantChangeType(&answer, &answer, 0, VT_BSTR);
        if (FAILED(hr)) {
            VariantClear(&answer);
            return hr;
        }
        com_addin::BstrHolder text;
        text.reset(answer.bstrVal);  // freed also when the copy below cannot be made
        *value = bstr_text(text.get());
        return S_OK;
    }

private:
    com_addin::InterfaceHolder<IDispatch> m_shell;
    DISPID m_regRead = DISPID_UNKNOWN;
};

bool file_exists(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

// A fresh temporary library name, its file deleted again.
HRESULT temp_library_name(BSTR* result) {
    wchar_t directory[kTempPathSize + 1] = {};
    const DWORD length = GetTempPathW(kTempPathSize, directory);
    if (length == 0 || length > kTempPathSize) return last_error();
    wchar_t created[MAX_PATH + 1] = {};
    if (GetTempFileNameW(directory, L"ZKT", 0, created) == 0) return last_error();
    DeleteFileW(created);
    wchar_t name[MAX_PATH] = {};
    _wsplitpath_s(created, nullptr, 0, nullptr, 0, name, MAX_PATH, nullptr, 0);
    *result = SysAllocString((std::wstring(name) + L".dll").c_str());
    return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The newest file of the history whose path holds `wanted` and that still exists.
HRESULT recent_file(const std::wstring& wanted, BSTR* path) {
    std::wstring extension = L"*";
    if (!wanted.empty()) {
        wchar_t ext[MAX_PATH] = {};
        _wsplitpath_s(wanted.c_str(), nullptr, 0, nullptr, 0, nullptr, 0, ext, MAX_PATH);
        extension = ext[0] == L'.' ? std::wstring(ext + 1) : std::wstring(ext);
    }
    RegistryReader registry;
    HRESULT hr = registry.open();
    if (FAILED(hr)) return hr;
    const std::wstring list = std::wstring(kHistoryKey) + extension;
    std::wstring order;
    hr = registry.read(list + L"\\MRUList", &order);
    if (FAILED(hr)) return hr;
    for (wchar_t letter : order) {
        std::wstring recorded;
        hr = registry.read(list + L"\\" + letter, &recorded);
        if (FAILED(hr)) return hr;
        if (recorded.find(wanted) != std::wstring::npos && file_exists(recorded)) {
            *path = SysAllocString(recorded.c_str());
            return *path != nullptr ? S_OK : E_OUTOFMEMORY;
        }
    }
    return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

}  // namespace

HRESULT AddInServiceEx::makeTempLibraryName(BSTR* result) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    return com_addin::guarded([&] { return temp_library_name(result); });
}

HRESULT AddInServiceEx::findRecentFile(BSTR fileName, VARIANT, BSTR* path) {
    if (path == nullptr) return E_POINTER;
    *path = nullptr;
    return com_addin::guarded([&] { return recent_file(bstr_text(fileName), path); });
}
