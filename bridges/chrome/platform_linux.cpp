#include "platform.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {
const char kMapsFile[] = "/proc/self/smaps";
constexpr size_t kMapsReadLimit = 153600;
}  // namespace

// The map of the process is read once (at most kMapsReadLimit
// bytes) and searched for the host's file name; the directory is the text between the blank
// before it and the name. An occurrence that is a whole file name (after "/", before the end
// of its line) is preferred, so that a directory whose name contains the file name does not
// mislead the search; otherwise the first occurrence is taken.
std::string own_directory(const char* ownFileName) {
    if (ownFileName == nullptr || *ownFileName == 0) return std::string();
    FILE* file = std::fopen(kMapsFile, "r");
    if (file == nullptr) return std::string();
    std::vector<char> buffer(kMapsReadLimit + 1, 0);
    const size_t got = std::fread(buffer.data(), 1, kMapsReadLimit, file);
    std::fclose(file);
    const std::string text(buffer.data(), ::strnlen(buffer.data(), got));
    const std::string name(ownFileName);

    size_t found = std::string::npos;
    for (size_t pos = text.find(name); pos != std::string::npos; pos = text.find(name, pos + 1)) {
        const bool afterSlash = pos > 0 && text[pos - 1] == '/';
        const size_t end = pos + name.size();
        const bool atLineEnd = end == text.size() || text[end] == '\n';
        if (afterSlash && atLineEnd) {
            found = pos;
            break;
        }
    }
    if (found == std::string::npos) found = text.find(name);
    if (found == std::string::npos || found == 0) return std::string();
    const size_t blank = text.rfind(' ', found - 1);
    if (blank == std::string::npos) return std::string();
    return text.substr(blank + 1, found - blank - 1);
}

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

const char* message_line_end() { return "\n"; }
