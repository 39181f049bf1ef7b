#include "wine_feed_line.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace velmor_test {

namespace {

// The device that WINE_RUN_PORTS maps `port` to; the last mapping wins, as in Wine's registry.
std::string mapped_device(const std::string& port) {
    const char* ports = std::getenv("WINE_RUN_PORTS");
    std::istringstream entries(ports != nullptr ? ports : "");
    std::string entry, device;
    while (entries >> entry) {
        if (entry.compare(0, port.size() + 1, port + "=") == 0) device = entry.substr(port.size() + 1);
    }
    return device;
}

}  // namespace

WineFeedLine::WineFeedLine(const std::string& scannerPort, const std::string& feedPort)
    : m_port(scannerPort) {
    const std::string device = mapped_device(feedPort);
    if (device.empty()) throw std::runtime_error("WINE_RUN_PORTS maps no device to " + feedPort);
    m_feed = ::open(device.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (m_feed < 0) throw std::runtime_error("cannot open the feed line " + device);
}

WineFeedLine::~WineFeedLine() {
    if (m_feed >= 0) ::close(m_feed);
}

void WineFeedLine::send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(m_feed, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw std::runtime_error("writing to the feed line failed");
        done += static_cast<size_t>(put);
    }
}

}  // namespace velmor_test
