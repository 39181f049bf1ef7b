#pragma once
// Loading an add-in library and reading its class list, as every bridge does it. The
// library calls live behind this interface, one file per platform (addin_library_linux.cpp
// with dlopen, addin_library_win.cpp with LoadLibraryW).

#include <string>
#include <vector>

#include "utf_codec.h"

#ifdef _WIN32
// The library handle as <windows.h> declares it, without pulling that header into a bridge.
struct HINSTANCE__;
typedef HINSTANCE__* HMODULE;
#else
typedef void* HMODULE;
#endif

// Opens the library at `utf8Path` (lazy binding on Linux; on Windows the UTF-16 form of the
// path, so a folder whose name lies outside the ANSI code page still opens); null when it
// cannot be opened.
HMODULE open_library(const std::string& utf8Path);
// The address of the export `name`, or null (also for a null library).
void* library_symbol(HMODULE lib, const char* name);
void close_library(HMODULE lib);

// The class list of the library at `utf8Path`: the text its GetClassNames returns, or
// `path` itself when it has no such export (a library with one unnamed class). The library
// is closed again before this returns. False when the library does not open.
bool read_class_list(const std::string& utf8Path, const Utf16String& path, Utf16String& list);

// Splits a class list at every "|", keeping empty pieces: "A|B" gives A and B, "A|" gives
// A and an empty name, "" one empty name.
std::vector<Utf16String> split_class_names(const Utf16String& list);
