#include "pty_scanner.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

namespace velmor_test {

PtyScanner::PtyScanner(Mode mode) {
    char name[128] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    m_path = name;
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    if (mode == Mode::kKernelDefaults) return;
    termios tio{};
    tcgetattr(m_slave, &tio);
    if (mode == Mode::kRaw) {
        cfmakeraw(&tio);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
    }
    tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL);
    tcsetattr(m_slave, TCSANOW, &tio);
}

PtyScanner::~PtyScanner() {
    if (m_master >= 0) close(m_master);
    close(m_slave);
}

void PtyScanner::send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n <= 0) throw std::runtime_error("write into the pty failed");
        done += static_cast<size_t>(n);
    }
}

std::string PtyScanner::sentBack(std::chrono::milliseconds window) {
    // The whole window is waited out when nothing comes: that is the outcome being checked.
    std::string back;
    const auto deadline = std::chrono::steady_clock::now() + window;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd = {m_master, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return back;
        char buffer[256];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) return back;
        back.append(buffer, static_cast<size_t>(n));
    }
}

bool PtyScanner::sendBefore(const std::string& bytes,
                            std::chrono::steady_clock::time_point deadline) {
    size_t done = 0;
    while (done < bytes.size()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p = {m_master, POLLOUT, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool PtyScanner::waitUntilTaken(std::chrono::milliseconds timeout) const {
    // The slave's input queue is shared by all its openers, so our own descriptor sees when
    // the add-in has read it empty. The queue offers no event for that, hence the short polls.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int pending = 0;
        if (ioctl(m_slave, FIONREAD, &pending) != 0) return false;
        if (pending == 0) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

termios PtyScanner::settings() const {
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0) throw std::runtime_error("tcgetattr failed");
    return tio;
}

int PtyScanner::openersInProcess() const {
    struct stat ours {};
    fstat(m_slave, &ours);
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const int fd = std::stoi(entry->d_name);
        struct stat st {};
        if (fd == m_slave || fd == dirfd(dir) || fstat(fd, &st) != 0) continue;
        if (S_ISCHR(st.st_mode) && st.st_rdev == ours.st_rdev) ++count;
    }
    closedir(dir);
    return count;
}

void PtyScanner::unplug() {
    if (m_master >= 0) close(m_master);
    m_master = -1;
}

}  // namespace velmor_test
