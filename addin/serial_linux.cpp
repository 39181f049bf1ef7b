#include "serial_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

#include "log_event.h"
#include "string_conv.h"

namespace {

// A terminal holds at most 4096 bytes of input: one read takes all of it.
constexpr int kReadBufferSize = 4096;
// After a failed or empty read (a device gone away keeps failing at once) the thread waits
// this long, still woken at once by Close, before it tries the device again.
constexpr int kRetryDelayMs = 100;

struct SpeedCode {
    int bitsPerSecond;
    speed_t code;
};
constexpr SpeedCode kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},
                                 {9600, B9600},   {19200, B19200}, {38400, B38400},
                                 {57600, B57600}};

bool speed_code(int bitsPerSecond, speed_t* code) {
    for (const SpeedCode& s : kSpeeds) {
        if (s.bitsPerSecond == bitsPerSecond) {
            *code = s.code;
            return true;
        }
    }
    return false;
}

tcflag_t size_flag(int dataBits, bool* known) {
    *known = true;
    switch (dataBits) {
        case 5: return CS5;
        case 6: return CS6;
        case 7: return CS7;
        case 8: return CS8;
        default: *known = false; return CS8;
    }
}

// Only a terminal is a port: a file, a directory, a pipe or another device opened by its
// path must never be read, so that a caller cannot read files through the Port setting. The
// master side of a pseudo-terminal (what /dev/ptmx opens) is no scanner's line either.
bool is_terminal(int fd) {
    struct stat st {};
    termios tio{};
    unsigned int ptyNumber = 0;
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && ::tcgetattr(fd, &tio) == 0 &&
           ::ioctl(fd, TIOCGPTN, &ptyNumber) != 0;
}

// Every byte as the scanner sent it: no line editing or line length limit, no signal or
// flow-control characters, no translation of CR or of the eighth bit, no echo onto a line
// where many scanners take commands. One byte is enough for a read to return. A break is not
// a byte of a code.
void make_raw(termios* tio) {
    tio->c_iflag &= ~(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXOFF |
                      IXANY | IMAXBEL);
    tio->c_iflag |= IGNBRK;
    tio->c_oflag &= ~OPOST;
    tio->c_lflag &= ~(ICANON | ISIG | IEXTEN | XCASE | ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL |
                      ECHOPRT | ECHOKE);
    tio->c_cflag |= CREAD;
    tio->c_cc[VMIN] = 1;
    tio->c_cc[VTIME] = 0;
}

}  // namespace

std::unique_ptr<ISerialPortReader> make_serial_port_reader(IReader* reader) {
    return std::make_unique<SerialPortReader>(reader);
}

SerialPortReader::SerialPortReader(IReader* reader)
    : SerialPortReaderBase(reader, L"/dev/ttyS0") {}

SerialPortReader::~SerialPortReader() { Close(); }

bool SerialPortReader::Open() {
    if (m_isOpened.load()) return true;
    const std::string path = w2s(getPort());
    log_event("SerialPortReader::Open %s", path.c_str());
    // No controlling terminal: a host without one must not be killed by the line's hangup.
    // Non-blocking: opening a real port without carrier detect would otherwise hang, and the
    // thread only reads after poll() says there is input.
    m_portDesc = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_portDesc < 0) return false;
    if (!is_terminal(m_portDesc)) {
        closeDescriptors();  // refused exactly like a port that does not open
        return false;
    }
    m_wakeDesc = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeDesc < 0) {
        closeDescriptors();
        return false;
    }
    SetPortParams();
    startFraming();
    m_isOpened.store(true);
    try {
        m_thread = std::thread(&SerialPortReader::threadFunc, this);
    } catch (const std::system_error&) {
        m_isOpened.store(false);
        closeDescriptors();
        return false;
    }
    return true;
}

void SerialPortReader::SetPortParams() {
    termios tio{};
    tcgetattr(m_portDesc, &tio);
    make_raw(&tio);

    speed_t speed = B9600;
    if (!speed_code(getSpeed(), &speed)) setSpeed(9600);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);

    tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (getParity()) {
        case 0: break;
        case 1: tio.c_cflag |= PARENB | PARODD; break;
        case 2: tio.c_cflag |= PARENB; break;
        default: setParity(0); break;
    }

    bool knownSize = true;
    const tcflag_t size = size_flag(getDataBits(), &knownSize);
    if (!knownSize) setDataBits(8);
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | size;

    tio.c_cflag &= ~CSTOPB;
    switch (getStopBits()) {
        case 0: break;
        case 2: tio.c_cflag |= CSTOPB; break;
        default: setStopBits(0); break;
    }

    // Recorded on the line as its end-of-file character; the framing removes it from input.
    tio.c_cc[VEOF] = static_cast<cc_t>(getStopChar());
    tcsetattr(m_portDesc, TCSANOW, &tio);
}

void SerialPortReader::threadFunc() {
    pollfd fds[2] = {{m_portDesc, POLLIN, 0}, {m_wakeDesc, POLLIN, 0}};
    while (m_isOpened.load(std::memory_order_acquire)) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            if (waitForStop(kRetryDelayMs)) break;
            continue;
        }
        if (fds[1].revents != 0) break;
        if (fds[0].revents == 0) continue;
        if (!readAvailable() && waitForStop(kRetryDelayMs)) {
            break;  // end of input or a lasting error: keep trying, but not at full speed
        }
    }
}

bool SerialPortReader::readAvailable() {
    // One wake-up per burst: everything the device holds is read before the next poll. Close
    // is still seen between reads, however long the stream.
    char buffer[kReadBufferSize];
    while (m_isOpened.load(std::memory_order_acquire)) {
        const ssize_t count = ::read(m_portDesc, buffer, sizeof buffer);
        if (count > 0) {
            ProcessBuf(buffer, static_cast<int>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            return count < 0 && errno == EAGAIN;
        }
    }
    return true;
}

bool SerialPortReader::waitForStop(int timeoutMs) {
    pollfd wake = {m_wakeDesc, POLLIN, 0};
    return ::poll(&wake, 1, timeoutMs) > 0;
}

void SerialPortReader::Close() {
    if (!m_isOpened.load()) return;
    log_event("SerialPortReader::Close");
    m_isOpened.store(false, std::memory_order_release);
    const uint64_t one = 1;
    ssize_t written = ::write(m_wakeDesc, &one, sizeof one);
    (void)written;  // an eventfd write can only fail when its counter is full
    m_thread.join();  // the thread must be gone before its descriptors are closed
    closeDescriptors();
}

void SerialPortReader::closeDescriptors() {
    if (m_portDesc >= 0) ::close(m_portDesc);
    if (m_wakeDesc >= 0) ::close(m_wakeDesc);
    m_portDesc = -1;
    m_wakeDesc = -1;
}
