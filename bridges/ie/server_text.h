#pragma once
// Text conversions that several of the server's files need.

#include <windows.h>

#include <string>

// An ASCII configuration text as a wide string.
std::wstring widened(const char* ascii);

// A wide text in the calling thread's ANSI code page (for LoadLibraryA).
std::string thread_ansi(const wchar_t* text);

// A BSTR's characters (embedded zeros kept); empty for a null BSTR.
std::wstring bstr_text(BSTR text);
