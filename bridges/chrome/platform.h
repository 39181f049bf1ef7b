#pragma once
// What the host needs from its operating system, behind one interface: finding the directory
// of its own file and loading libraries. platform_linux.cpp implements it with
// /proc/self/smaps and dlopen; the Windows build adds platform_win.cpp.

#include <string>

#ifndef _WIN32
typedef void* HMODULE;
#endif

// The directory of the loaded file whose name is `ownFileName` (the host's nameFilePrj), in
// UTF-8 and ending with the path separator; "" when it cannot be found.
std::string own_directory(const char* ownFileName);

// Opens the library at `utf8Path` with lazy binding; null when it cannot be opened.
HMODULE open_library(const std::string& utf8Path);
// The address of the export `name`, or null.
void* library_symbol(HMODULE lib, const char* name);
void close_library(HMODULE lib);
