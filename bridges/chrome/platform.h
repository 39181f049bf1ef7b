#pragma once
// What the host needs from its operating system, behind one interface: its standard streams,
// the end of a message's text on them, finding the directory of its own file (own_directory,
// shared with the other bridges) and loading libraries. platform_linux.cpp implements it with
// POSIX I/O and dlopen; platform_win.cpp with the C runtime's binary streams and LoadLibrary.

#include <cstddef>
#include <string>

#include "own_directory.h"

#ifdef _WIN32
// The library handle as <windows.h> declares it, without pulling that header into the host.
struct HINSTANCE__;
typedef HINSTANCE__* HMODULE;
#else
typedef void* HMODULE;
#endif

// Opens the library at `utf8Path` (lazy binding on Linux); null when it cannot be opened.
HMODULE open_library(const std::string& utf8Path);
// The address of the export `name`, or null.
void* library_symbol(HMODULE lib, const char* name);
void close_library(HMODULE lib);

// Makes the standard streams fit for binary frames. On Linux a reader that went away must
// not kill the host in the middle of a write (SIGPIPE is ignored); the host ends when its
// input ends. On Windows both streams are switched to raw bytes: no CR LF translation, and
// 0x1A is a byte like any other, not the end of the input.
void prepare_standard_streams();
// Up to `size` bytes from `fd`; 0 at the end of the input or on an error. Interrupted reads
// are repeated.
size_t read_some(int fd, void* buffer, size_t size);
// All `size` bytes to `fd`, completing partial writes; an error ends the write silently.
void write_all(int fd, const void* data, size_t size);

// The bytes that a message's text ends with on the stream, in place of the line feed that the
// JSON writer puts there: "\n" on Linux, "\r\n" on Windows. The length prefix counts them.
const char* message_line_end();
