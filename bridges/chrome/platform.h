#pragma once
// What the host needs from its operating system, behind one interface: its standard streams
// and the end of a message's text on them. platform_linux.cpp implements it with POSIX I/O,
// platform_win.cpp with the C runtime's binary streams. Finding the directory of its own file
// (own_directory) and loading the add-in library (addin_library) are shared with the other
// bridges and come from bridges/common.

#include <cstddef>
#include <string>

#include "addin_library.h"
#include "own_directory.h"

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
