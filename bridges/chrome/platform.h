#pragma once
// What the host needs from its operating system, behind one interface: its standard streams,
// finding the directory of its own file (own_directory, shared with the other bridges) and
// loading libraries. platform_linux.cpp implements it with POSIX I/O and dlopen; the Windows
// build adds platform_win.cpp.

#include <cstddef>
#include <string>

#include "own_directory.h"

#ifndef _WIN32
typedef void* HMODULE;
#endif

// Opens the library at `utf8Path` with lazy binding; null when it cannot be opened.
HMODULE open_library(const std::string& utf8Path);
// The address of the export `name`, or null.
void* library_symbol(HMODULE lib, const char* name);
void close_library(HMODULE lib);

// Makes the standard streams fit for binary frames. On Linux a reader that went away must
// not kill the host in the middle of a write (SIGPIPE is ignored); the host ends when its
// input ends.
void prepare_standard_streams();
// Up to `size` bytes from `fd`; 0 at the end of the input or on an error. Interrupted reads
// are repeated.
size_t read_some(int fd, void* buffer, size_t size);
// All `size` bytes to `fd`, completing partial writes; an error ends the write silently.
void write_all(int fd, const void* data, size_t size);
