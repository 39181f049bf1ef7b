// The scanner's serial line for the Windows tests, which run under Wine: three
// pseudo-terminals, and a fourth for a dead port when one is named, whose slave sides Wine maps to COM ports. Bytes that the test writes to
// the feed port come out of the scanner port as the scanner's input, with the test's own
// timing. Each "s" written to the control port is answered there with one line telling the
// settings that the scanner port's device has now, as the kernel holds them:
//   speed=<bits per second> parodd=<0|1> cmspar=<0|1> cstopb=<0|1> veof=<code>
// (A pty keeps the parity kind bits but clears the parity-enable flag and keeps 8 data bits,
// so those two are not reported.) Each "h" hangs up the dead port's line, as a scanner that
// is unplugged, and is answered with "hung-up" ("no-dead-port" when none was named): from
// then on every read of it fails. Built
// for the machine that runs Wine, not for Windows.
//
//   pty_relay SCANNER_PORT FEED_PORT CONTROL_PORT [DEAD_PORT] -- COMMAND [ARGS...]
//
// COMMAND runs with WINE_RUN_PORTS naming each port's device, after any mappings it already
// held (tools/wine_run.sh maps them); its exit status is this program's. Apart from the dead
// line when asked, the lines close only after COMMAND has ended: Wine's server must be gone
// before a line it holds hangs up, or it would see the port fail.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

struct SpeedName {
    speed_t code;
    unsigned bitsPerSecond;
};
constexpr SpeedName kSpeeds[] = {{B300, 300},       {B600, 600},       {B1200, 1200},
                                 {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
                                 {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
                                 {B115200, 115200}, {B230400, 230400}};

unsigned bits_per_second(speed_t code) {
    for (const SpeedName& s : kSpeeds) {
        if (s.code == code) return s.bitsPerSecond;
    }
    return 0;
}

struct Line {
    int master = -1;
    int slave = -1;  // kept open, so the master never reads a hang-up when Wine closes its side
    std::string path;
};

bool open_line(Line* line) {
    char name[128] = {};
    if (openpty(&line->master, &line->slave, name, nullptr, nullptr) != 0) return false;
    termios tio{};
    tcgetattr(line->slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(line->slave, TCSANOW, &tio);
    fcntl(line->master, F_SETFD, FD_CLOEXEC);
    fcntl(line->slave, F_SETFD, FD_CLOEXEC);
    line->path = name;
    return true;
}

bool write_all(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

void report_settings(const Line& scanner, const Line& control) {
    termios tio{};
    char reply[160];
    if (tcgetattr(scanner.slave, &tio) != 0) {
        std::snprintf(reply, sizeof reply, "error=%d\n", errno);
    } else {
        std::snprintf(reply, sizeof reply, "speed=%u parodd=%d cmspar=%d cstopb=%d veof=%u\n",
                      bits_per_second(cfgetospeed(&tio)), (tio.c_cflag & PARODD) ? 1 : 0,
                      (tio.c_cflag & CMSPAR) ? 1 : 0, (tio.c_cflag & CSTOPB) ? 1 : 0,
                      static_cast<unsigned>(tio.c_cc[VEOF]));
    }
    write_all(control.master, reply, static_cast<ssize_t>(std::strlen(reply)));
}

void hang_up(Line* dead, const Line& control) {
    const bool exists = dead->master >= 0;
    if (exists) ::close(dead->master);
    dead->master = -1;
    const char* reply = exists ? "hung-up\n" : "no-dead-port\n";
    write_all(control.master, reply, static_cast<ssize_t>(std::strlen(reply)));
}

// Runs until the process ends.
void relay(const Line* scanner, const Line* feed, const Line* control, Line* dead) {
    pollfd fds[2] = {{feed->master, POLLIN, 0}, {control->master, POLLIN, 0}};
    char buffer[4096];
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t count = ::read(feed->master, buffer, sizeof buffer);
            if (count > 0) write_all(scanner->master, buffer, count);
        }
        if (fds[1].revents & POLLIN) {
            const ssize_t count = ::read(control->master, buffer, sizeof buffer);
            for (ssize_t i = 0; i < count; ++i) {
                if (buffer[i] == 's') report_settings(*scanner, *control);
                if (buffer[i] == 'h') hang_up(dead, *control);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Three ports, or four with the dead one, then "--".
    int lineCount = 0;
    while (lineCount + 1 < argc && std::strcmp(argv[lineCount + 1], "--") != 0) ++lineCount;
    if ((lineCount != 3 && lineCount != 4) || lineCount + 2 >= argc) {
        std::fprintf(stderr, "usage: pty_relay SCANNER_PORT FEED_PORT CONTROL_PORT [DEAD_PORT] -- "
                             "COMMAND...\n");
        return 2;
    }
    Line lines[4];
    for (int i = 0; i < lineCount; ++i) {
        if (!open_line(&lines[i])) {
            std::perror("pty_relay: openpty");
            return 1;
        }
    }
    const char* earlier = std::getenv("WINE_RUN_PORTS");
    std::string ports = earlier != nullptr ? std::string(earlier) + " " : std::string();
    for (int i = 0; i < lineCount; ++i) ports += std::string(argv[1 + i]) + "=" + lines[i].path + " ";
    setenv("WINE_RUN_PORTS", ports.c_str(), 1);

    const pid_t child = fork();
    if (child < 0) {
        std::perror("pty_relay: fork");
        return 1;
    }
    if (child == 0) {
        execvp(argv[lineCount + 2], argv + lineCount + 2);
        std::perror("pty_relay: exec");
        _exit(127);
    }
    std::thread(relay, &lines[0], &lines[1], &lines[2], &lines[3]).detach();

    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
