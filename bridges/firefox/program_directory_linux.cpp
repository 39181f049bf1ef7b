#include "program_directory.h"

#include <libgen.h>
#include <unistd.h>

#include <vector>

namespace {

const size_t BUF_SIZE = 1024;
const char kProgramLink[] = "/proc/self/exe";

}  // namespace

std::string program_directory() {
    // The link's target must fit the buffer with its terminator; a longer path (readlink
    // would cut it without saying so) stops the probe like an unreadable link.
    std::vector<char> buffer(BUF_SIZE, 0);
    const ssize_t length = ::readlink(kProgramLink, buffer.data(), BUF_SIZE);
    if (length <= 0 || static_cast<size_t>(length) >= BUF_SIZE) return std::string();
    buffer[static_cast<size_t>(length)] = 0;
    return ::dirname(buffer.data());
}
