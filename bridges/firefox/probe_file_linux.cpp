#include "probe_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

namespace {

const size_t kChunk = 4096;

// Non-blocking: opening a FIFO for reading would otherwise wait for a writer. Large-file: in
// the 32-bit build a file beyond 2 GiB opens too (and is then refused as too long), so it is
// found like any other.
int open_without_waiting(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_LARGEFILE);
}

// What the file holds, read until its end: the length that seeking or fstat reports is not
// trusted (files of /proc report 0, a file may change while it is read).
bool read_to_end(int fd, std::string& text) {
    char chunk[kChunk];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (text.size() + static_cast<size_t>(got) > kLongestProbeFile) return false;
        text.append(chunk, static_cast<size_t>(got));
    }
}

}  // namespace

bool probe_file_opens(const std::string& path) {
    const int fd = open_without_waiting(path);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool read_probe_file(const std::string& path, std::string& text) {
    const int fd = open_without_waiting(path);
    if (fd < 0) return false;
    struct stat status;
    bool read = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                static_cast<unsigned long long>(status.st_size) <= kLongestProbeFile;
    if (read) {
        try {
            read = read_to_end(fd, text);
        } catch (const std::bad_alloc&) {
            read = false;
        }
    }
    ::close(fd);
    return read;
}
