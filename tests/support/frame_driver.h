#pragma once
// Drives the Chrome host as a process, as the browser does: starts it with pipes for its
// standard input and output and an origin among its arguments, writes length-prefixed
// messages, and reads the replies frame by frame with a deadline.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace velmor_test {

// A frame: the 4-byte length in native byte order, then the bytes.
std::string make_frame(const std::string& text);
// The 4-byte prefix alone, for frames that announce a length they do not carry.
std::string length_prefix(uint32_t length);

class FrameDriver {
public:
    FrameDriver() = default;
    ~FrameDriver();  // kills a host that is still running
    FrameDriver(const FrameDriver&) = delete;
    FrameDriver& operator=(const FrameDriver&) = delete;

    // Starts `program` with `args` (argv[1]...); `argv0` replaces the program path as argv[0]
    // when it is not empty. `env` entries ("NAME=value") are added to this process's
    // environment; "NAME" alone removes a variable.
    bool start(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env = {}, const std::string& argv0 = "");

    // Writes bytes to the host's input; replies that arrive meanwhile are kept, so a large
    // write cannot dead-lock against a host that is writing too. False when the host's input
    // is closed or the deadline passed.
    bool writeRaw(const std::string& bytes,
                  std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool writeFrame(const std::string& text,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        return writeRaw(make_frame(text), timeout);
    }
    void closeInput();

    // The next whole frame's text. False at the deadline or at the end of the host's output;
    // lastError() says which, and what had arrived.
    bool readFrame(std::string& text,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Everything the host writes until it closes its output.
    bool readToEnd(std::string& bytes,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Whether the host's output ends (the host exits) within the deadline without a further
    // byte; the bytes that did arrive go to `extra`.
    bool outputEnds(std::string& extra,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // The exit status (or 128 + signal number) once the host has exited; -1 at the deadline.
    int waitExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    pid_t pid() const { return m_pid; }
    const std::string& lastError() const { return m_error; }
    // Peak resident set size of the host in KiB (from /proc, while it runs; 0 when unknown).
    long peakRssKiB() const;
    // Resident set size of the host in KiB now (0 when unknown).
    long rssKiB() const;

private:
    // Reads what is available into m_pending; false at the end of the output.
    bool pump(int timeoutMs);
    long statusKiB(const char* field) const;

    pid_t m_pid = -1;
    int m_in = -1;   // our end of the host's standard input
    int m_out = -1;  // our end of the host's standard output
    bool m_outEnded = false;
    std::string m_pending;
    std::string m_error;
    int m_status = -1;
};

}  // namespace velmor_test
