#pragma once
// Names of the server's own that several of its files use.

// The AppID key (a name, not a GUID) and the string resource 100.
constexpr const wchar_t* kAppIdName = L"QuillonIE";

constexpr const wchar_t* kProgIdSite = L"QuillonIE.AddInSite";
constexpr const wchar_t* kProgIdAdapterNative = L"QuillonIE.AdapterNative";
constexpr const wchar_t* kProgIdAdapterCom = L"QuillonIE.AdapterCOM";
