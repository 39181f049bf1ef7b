#include "program_output.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace velmor_test {

namespace {

// As long as a program of the tests may take to end, as on Windows.
const std::chrono::seconds kDeadline(30);

// Reads `fd` until the writer closes it; false when the deadline passes first.
bool read_until_closed(int fd, std::string& output) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    char buffer[256];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd readable = {fd, POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return true;
        output.append(buffer, static_cast<size_t>(got));
    }
}

}  // namespace

// Both output streams go to one pipe, read until the program has closed it; one that does not
// close it within the deadline is killed.
std::string program_output(const std::string& program, const std::string& argument) {
    int ends[2];
    if (::pipe(ends) != 0) return "cannot make a pipe";
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return "cannot run " + program;
    }
    if (child == 0) {
        ::dup2(ends[1], STDOUT_FILENO);
        ::dup2(ends[1], STDERR_FILENO);
        ::close(ends[0]);
        ::close(ends[1]);
        ::execl(program.c_str(), program.c_str(), argument.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ends[1]);
    std::string output;
    const bool closed = read_until_closed(ends[0], output);
    ::close(ends[0]);
    if (!closed) {
        ::kill(child, SIGKILL);
        output += "\n(the program did not end within 30 s)";
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status) && closed) {
        output += "\n(the program ended by signal " + std::to_string(WTERMSIG(status)) + ")";
    }
    return output;
}

}  // namespace velmor_test
