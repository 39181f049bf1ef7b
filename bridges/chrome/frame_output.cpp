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
// Room for the longest line end that a platform writes.
constexpr size_t kMaxLineEnd = 2;
}  // namespace

std::mutex& output_mutex() {
    static std::mutex* const mutex = new std::mutex;  // deliberately never destroyed
    return *mutex;
}

void set_output_fd(int fd) { g_outputFd.store(fd); }
int output_fd() { return g_outputFd.load(); }

int write_frame_locked(const std::string& text) {
    // The text's final line feed goes out as the platform's line end (CR LF on Windows).
    size_t body = text.size();
    const char* end = "";
    size_t endSize = 0;
    if (body > 0 && text[body - 1] == '\n') {
        --body;
        end = message_line_end();
        endSize = std::strlen(end);
    }
    const uint32_t length = static_cast<uint32_t>(body + endSize);
    char frame[4 + kCopyLimit + kMaxLineEnd];
    std::memcpy(frame, &length, 4);  // native byte order
    if (body <= kCopyLimit && endSize <= kMaxLineEnd) {
        std::memcpy(frame + 4, text.data(), body);
        std::memcpy(frame + 4 + body, end, endSize);
        write_all(output_fd(), frame, 4 + body + endSize);
    } else {
        write_all(output_fd(), frame, 4);
        write_all(output_fd(), text.data(), body);
        write_all(output_fd(), end, endSize);
    }
    return static_cast<int>(length);
}

int write_frame(const std::string& text) {
    std::lock_guard<std::mutex> guard(output_mutex());
    return write_frame_locked(text);
}
