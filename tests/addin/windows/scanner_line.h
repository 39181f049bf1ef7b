#pragma once
// The test's side of the scanner line under Wine (pty_relay.cpp holds the other side): the
// feed port, whose bytes reach the add-in's port as the scanner's input, and the control
// port, which tells the settings that the add-in's port has on the machine running Wine and
// hangs up the dead port's line.

#include <windows.h>

#include <chrono>
#include <string>

namespace velmor_test {

// The settings of the add-in's port device as the kernel holds them.
struct DeviceSettings {
    unsigned speed = 0;
    bool parodd = false;
    bool cmspar = false;
    bool twoStopBits = false;
    unsigned eofChar = 0;
};

class ScannerLine {
public:
    ScannerLine();
    ~ScannerLine();
    ScannerLine(const ScannerLine&) = delete;
    ScannerLine& operator=(const ScannerLine&) = delete;

    const std::string& error() const { return m_error; }  // empty when both ports are open
    bool send(const std::string& bytes);
    // Asks the control port; false (with the reason in `why`) when no answer came in time.
    bool deviceSettings(DeviceSettings* settings, std::string* why);
    // The dead port's line hangs up, as an unplugged scanner: every read of it fails from then.
    bool hangUpDeadPort(std::string* why);

private:
    bool ask(char command, std::string* answer, std::string* why);

    HANDLE m_feed = INVALID_HANDLE_VALUE;
    HANDLE m_control = INVALID_HANDLE_VALUE;
    std::string m_error;
};

// The port names, as the component's Port property takes them.
std::u16string scanner_port();  // the add-in reads the scanner here
std::u16string dead_port();     // a line that hangUpDeadPort cuts

}  // namespace velmor_test
