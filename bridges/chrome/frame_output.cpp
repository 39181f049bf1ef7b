#include "frame_output.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "platform.h"

namespace {
std::atomic<int> g_outputFd{1};
// Frames up to this size are copied behind their prefix and go out in one write; larger ones
// go out as prefix and text, two writes under the same lock.
constexpr size_t kCopyLimit = 16 * 1024;
}  // namespace

std::mutex& output_mutex() {
    static std::mutex* const mutex = new std::mutex;  // deliberately never destroyed
    return *mutex;
}

void set_output_fd(int fd) { g_outputFd.store(fd); }
int output_fd() { return g_outputFd.load(); }

int write_frame_locked(const std::string& text) {
    const uint32_t length = static_cast<uint32_t>(text.size());
    char frame[4 + kCopyLimit];
    std::memcpy(frame, &length, 4);  // native byte order
    if (text.size() <= kCopyLimit) {
        std::memcpy(frame + 4, text.data(), text.size());
        write_all(output_fd(), frame, 4 + text.size());
    } else {
        write_all(output_fd(), frame, 4);
        write_all(output_fd(), text.data(), text.size());
    }
    return static_cast<int>(text.size());
}

int write_frame(const std::string& text) {
    std::lock_guard<std::mutex> guard(output_mutex());
    return write_frame_locked(text);
}
