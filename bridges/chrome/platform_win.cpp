#include "platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <climits>
#include <cstdio>

void prepare_standard_streams() {
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

size_t read_some(int fd, void* buffer, size_t size) {
    const unsigned int want = size > INT_MAX ? INT_MAX : static_cast<unsigned int>(size);
    const int got = ::_read(fd, buffer, want);
    return got > 0 ? static_cast<size_t>(got) : 0;
}

void write_all(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const unsigned int piece = size > INT_MAX ? INT_MAX : static_cast<unsigned int>(size);
        const int written = ::_write(fd, p, piece);
        if (written <= 0) return;
        p += written;
        size -= static_cast<size_t>(written);
    }
}

const char* message_line_end() { return "\r\n"; }
