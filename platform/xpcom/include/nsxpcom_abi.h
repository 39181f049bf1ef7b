#pragma once
// The only platform-dependent part of the layer's headers: the interface calling convention
// and how the browser's exported functions are marked. Everything else is the same on Linux
// and Windows.

#if defined(_WIN32)
#define NS_STDCALL __stdcall
#if defined(XPCOM_RUNTIME_BUILD)
#define NS_IMPORT_ABI __declspec(dllexport)
#else
#define NS_IMPORT_ABI __declspec(dllimport)
#endif
/// Marks a component's own exported symbol (NSModule, NSGetModule).
#define NS_EXPORT_ABI __declspec(dllexport)
#else
#define NS_STDCALL
#define NS_IMPORT_ABI __attribute__((visibility("default")))
#define NS_EXPORT_ABI __attribute__((visibility("default")))
#endif
