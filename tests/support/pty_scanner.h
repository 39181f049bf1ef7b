#pragma once
// A simulated scanner: a pseudo-terminal pair. The add-in opens the slave side by its path;
// the test writes the scanner's bytes into the master side and reads there whatever the line
// sends back to the scanner.

#include <termios.h>

#include <chrono>
#include <string>

namespace velmor_test {

class PtyScanner {
public:
    enum class Mode {
        kCanonical,       // canonical input, echo off, as a terminal program may leave a line
        kRaw,             // bytes handed over as they come, so a code can span several reads
        kKernelDefaults   // untouched since the kernel made it: canonical input, echo,
                          // signal, editing and flow-control characters
    };

    explicit PtyScanner(Mode mode = Mode::kCanonical);
    ~PtyScanner();
    PtyScanner(const PtyScanner&) = delete;
    PtyScanner& operator=(const PtyScanner&) = delete;

    const std::string& path() const { return m_path; }
    std::u16string path16() const { return std::u16string(m_path.begin(), m_path.end()); }

    void send(const std::string& bytes);
    // The bytes that the line sends back to the scanner within `window` (an echo, say).
    std::string sentBack(std::chrono::milliseconds window);
    // The same, giving up at `deadline` when nobody takes the bytes (a writer thread that must
    // end even when the reading side has stopped); false then, or when the write failed.
    bool sendBefore(const std::string& bytes, std::chrono::steady_clock::time_point deadline);
    // Waits until whoever reads the slave side has taken every byte written so far.
    bool waitUntilTaken(std::chrono::milliseconds timeout) const;
    // The line settings as the device holds them now.
    termios settings() const;
    // How many descriptors of this process have the slave side open, ours aside.
    int openersInProcess() const;
    // The scanner goes away: the master side is closed.
    void unplug();

private:
    int m_master = -1;
    int m_slave = -1;  // kept open so the line and its settings outlive the add-in's use
    std::string m_path;
};

}  // namespace velmor_test
