#include "frame_driver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace velmor_test {

namespace {

typedef std::chrono::steady_clock Clock;

int remaining_ms(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

std::string describe(const std::string& bytes) {
    std::ostringstream out;
    out << bytes.size() << " byte(s)";
    if (!bytes.empty()) {
        out << ": \"";
        for (size_t i = 0; i < bytes.size() && i < 160; ++i) {
            const unsigned char c = static_cast<unsigned char>(bytes[i]);
            if (c >= 0x20 && c < 0x7f) {
                out << static_cast<char>(c);
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                out << hex;
            }
        }
        out << (bytes.size() > 160 ? "...\"" : "\"");
    }
    return out.str();
}

}  // namespace

std::string length_prefix(uint32_t length) {
    char prefix[4];
    std::memcpy(prefix, &length, sizeof prefix);
    return std::string(prefix, sizeof prefix);
}

std::string make_frame(const std::string& text) {
    return length_prefix(static_cast<uint32_t>(text.size())) + text;
}

FrameDriver::~FrameDriver() {
    if (m_in >= 0) ::close(m_in);
    if (m_out >= 0) ::close(m_out);
    if (m_pid > 0 && m_status < 0) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
}

bool FrameDriver::start(const std::string& program, const std::vector<std::string>& args,
                        const std::vector<std::string>& env, const std::string& argv0) {
    ::signal(SIGPIPE, SIG_IGN);  // a host that exits must not kill the test that writes
    int toHost[2];
    int fromHost[2];
    if (::pipe2(toHost, O_CLOEXEC) != 0) return false;
    if (::pipe2(fromHost, O_CLOEXEC) != 0) {
        ::close(toHost[0]);
        ::close(toHost[1]);
        return false;
    }

    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) environment.push_back(*e);
    for (const std::string& entry : env) {
        const size_t eq = entry.find('=');
        const std::string name = entry.substr(0, eq);
        for (size_t i = 0; i < environment.size();) {
            if (environment[i].compare(0, name.size() + 1, name + "=") == 0) {
                environment.erase(environment.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
        if (eq != std::string::npos) environment.push_back(entry);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(argv0.empty() ? program.c_str() : argv0.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    m_pid = ::fork();
    if (m_pid < 0) return false;
    if (m_pid == 0) {
        ::dup2(toHost[0], STDIN_FILENO);
        ::dup2(fromHost[1], STDOUT_FILENO);
        ::signal(SIGPIPE, SIG_DFL);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(toHost[0]);
    ::close(fromHost[1]);
    m_in = toHost[1];
    m_out = fromHost[0];
    ::fcntl(m_in, F_SETFL, ::fcntl(m_in, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_out, F_SETFL, ::fcntl(m_out, F_GETFL) | O_NONBLOCK);
    return true;
}

bool FrameDriver::pump(int timeoutMs) {
    if (m_outEnded) return false;
    pollfd p = {m_out, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready <= 0) return true;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(m_out, buffer, sizeof buffer);
        if (got > 0) {
            m_pending.append(buffer, static_cast<size_t>(got));
            continue;
        }
        if (got == 0) {
            m_outEnded = true;
            return false;
        }
        if (errno == EINTR) continue;
        return true;  // EAGAIN: all that was there has been taken
    }
}

bool FrameDriver::writeRaw(const std::string& bytes, std::chrono::milliseconds timeout) {
    if (m_in < 0) {
        m_error = "the host's input is already closed";
        return false;
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(m_in, bytes.data() + done, bytes.size() - done);
        if (put > 0) {
            done += static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno != EAGAIN) {
            m_error = std::string("writing to the host failed: ") + std::strerror(errno);
            return false;
        }
        if (Clock::now() >= deadline) {
            m_error = "the host did not take its input before the deadline";
            return false;
        }
        pollfd p[2] = {{m_in, POLLOUT, 0}, {m_out, POLLIN, 0}};
        ::poll(p, m_outEnded ? 1 : 2, remaining_ms(deadline));
        if (!m_outEnded && (p[1].revents & (POLLIN | POLLHUP))) pump(0);
    }
    return true;
}

void FrameDriver::closeInput() {
    if (m_in >= 0) ::close(m_in);
    m_in = -1;
}

bool FrameDriver::readFrame(std::string& text, std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (m_pending.size() >= 4) {
            uint32_t length = 0;
            std::memcpy(&length, m_pending.data(), sizeof length);
            if (m_pending.size() - 4 >= length) {
                text = m_pending.substr(4, length);
                m_pending.erase(0, 4 + static_cast<size_t>(length));
                return true;
            }
        }
        if (m_outEnded) {
            m_error = "the host's output ended while waiting for a frame; pending " +
                      describe(m_pending);
            return false;
        }
        const int left = remaining_ms(deadline);
        if (left == 0) {
            m_error = "no whole frame before the deadline; pending " + describe(m_pending);
            return false;
        }
        pump(left);
    }
}

bool FrameDriver::readToEnd(std::string& bytes, std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!m_outEnded) {
        const int left = remaining_ms(deadline);
        if (left == 0) {
            m_error = "the host's output did not end before the deadline; pending " +
                      describe(m_pending);
            bytes = m_pending;
            return false;
        }
        pump(left);
    }
    bytes.swap(m_pending);
    m_pending.clear();
    return true;
}

bool FrameDriver::outputEnds(std::string& extra, std::chrono::milliseconds timeout) {
    const bool ended = readToEnd(extra, timeout);
    return ended && extra.empty();
}

int FrameDriver::waitExit(std::chrono::milliseconds timeout) {
    if (m_status >= 0) return m_status;
    if (m_pid <= 0) return -1;
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return m_status;
        }
        if (Clock::now() >= deadline) {
            m_error = "the host did not exit before the deadline";
            return -1;
        }
        // Wait for the end of its output (or a short while) rather than spinning.
        if (!m_outEnded) {
            pump(remaining_ms(deadline) < 20 ? remaining_ms(deadline) : 20);
        } else {
            pollfd none = {-1, 0, 0};
            ::poll(&none, 0, 5);
        }
    }
}

long FrameDriver::statusKiB(const char* field) const {
    if (m_pid <= 0) return 0;
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    const size_t length = std::strlen(field);
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) return std::atol(line.c_str() + length);
    }
    return 0;
}

long FrameDriver::peakRssKiB() const { return statusKiB("VmHWM:"); }
long FrameDriver::rssKiB() const { return statusKiB("VmRSS:"); }

}  // namespace velmor_test
