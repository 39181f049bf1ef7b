#include "frame_output.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <sys/uio.h>
#include <unistd.h>

namespace {
std::atomic<int> g_outputFd{1};
}  // namespace

std::mutex& output_mutex() {
    static std::mutex* const mutex = new std::mutex;  // deliberately never destroyed
    return *mutex;
}

void set_output_fd(int fd) { g_outputFd.store(fd); }
int output_fd() { return g_outputFd.load(); }

namespace {
// Frames up to this size are copied behind their prefix and go out in one write(); larger
// ones are gathered from prefix and text without the copy.
constexpr size_t kCopyLimit = 16 * 1024;

void write_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;  // write errors are not reported to the callers
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
}
}  // namespace

int write_frame_locked(const std::string& text) {
    const uint32_t length = static_cast<uint32_t>(text.size());
    uint8_t prefix[4];
    std::memcpy(prefix, &length, sizeof prefix);  // native byte order

    if (text.size() <= kCopyLimit) {
        char frame[4 + kCopyLimit];
        std::memcpy(frame, prefix, sizeof prefix);
        std::memcpy(frame + sizeof prefix, text.data(), text.size());
        write_all(output_fd(), frame, sizeof prefix + text.size());
        return static_cast<int>(text.size());
    }

    // Prefix and text in one gathered write; the loop finishes partial writes.
    iovec parts[2] = {{prefix, sizeof prefix},
                      {const_cast<char*>(text.data()), text.size()}};
    iovec* part = parts;
    int count = 2;
    const int fd = output_fd();
    while (count > 0) {
        const ssize_t written = ::writev(fd, part, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            break;  // write errors are not reported to the callers
        }
        size_t left = static_cast<size_t>(written);
        while (count > 0 && left >= part->iov_len) {
            left -= part->iov_len;
            ++part;
            --count;
        }
        if (count > 0) {
            part->iov_base = static_cast<char*>(part->iov_base) + left;
            part->iov_len -= left;
        }
    }
    return static_cast<int>(text.size());
}

int write_frame(const std::string& text) {
    std::lock_guard<std::mutex> guard(output_mutex());
    return write_frame_locked(text);
}
