#pragma once
// What the Internet Explorer server's tests share: loading the server by its path,
// registering it (per user, as the product does) and mirroring the per-user classes to the
// machine's, since Wine activates only classes registered there.

#include <windows.h>

#include <string>

namespace velmor_test {

// The server's full path in Windows form: VELMOR_IE_SERVER when set, else the one built.
std::wstring server_path();
// A Unix path as Windows programs under Wine see it (drive Z:); other paths as they are.
std::wstring windows_path(const std::wstring& path);

// Loads the server (kept loaded) and calls one of its exports; E_NOINTERFACE when missing.
HRESULT call_server_export(const char* name);
HMODULE server_module();

// DllRegisterServer (and DllInstall of the COM add-in VELMOR_COM_ADDIN names), then
// HKCU\Software\Classes copied into HKLM\Software\Classes.
HRESULT register_server_for_wine();

// A registry text value; `exists` tells whether the value was there.
std::wstring registry_text(HKEY root, const std::wstring& key, const wchar_t* value,
                           bool* exists);
bool registry_key_exists(HKEY root, const std::wstring& key);

std::string narrow(const std::wstring& text);

}  // namespace velmor_test
