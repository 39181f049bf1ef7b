#pragma once
// The scanner's line for a Windows program under Wine, seen from a Linux test: the add-in
// opens a COM port that Wine maps to a pseudo-terminal, and the test writes the scanner's
// bytes into the feed line that tests/addin/windows/pty_relay.cpp relays to that port. Both
// ports' devices come from WINE_RUN_PORTS ("COM5=/dev/pts/3 COM6=/dev/pts/4 ...").

#include <string>

namespace velmor_test {

class WineFeedLine {
public:
    // `scannerPort` is the port the add-in opens; `feedPort` the one whose device takes the
    // scanner's bytes.
    WineFeedLine(const std::string& scannerPort, const std::string& feedPort);
    ~WineFeedLine();
    WineFeedLine(const WineFeedLine&) = delete;
    WineFeedLine& operator=(const WineFeedLine&) = delete;

    // The port name for the add-in's Port property.
    const std::string& path() const { return m_port; }
    // Writes the bytes to the feed line; throws std::runtime_error when it cannot.
    void send(const std::string& bytes);

private:
    std::string m_port;
    int m_feed = -1;
};

}  // namespace velmor_test
