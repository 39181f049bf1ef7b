#include "platform.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

void prepare_standard_streams() { ::signal(SIGPIPE, SIG_IGN); }

size_t read_some(int fd, void* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) return 0;
    }
}

void write_all(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, p, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += written;
        size -= static_cast<size_t>(written);
    }
}

const char* message_line_end() { return "\n"; }
