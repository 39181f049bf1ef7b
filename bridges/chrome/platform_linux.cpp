#include "platform.h"

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

HMODULE open_library(const std::string& utf8Path) { return ::dlopen(utf8Path.c_str(), RTLD_LAZY); }

void* library_symbol(HMODULE lib, const char* name) {
    return lib == nullptr ? nullptr : ::dlsym(lib, name);
}

void close_library(HMODULE lib) {
    if (lib != nullptr) ::dlclose(lib);
}

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
