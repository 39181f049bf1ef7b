#pragma once
// The scan tests' scanner under Wine: the one COM port that Wine maps to a pseudo-terminal,
// fed through the relay's feed port (tests/addin/windows/pty_relay.cpp).

#include <stdexcept>
#include <string>

#include "scanner_line.h"

namespace velmor_test {

class TestScanner {
public:
    TestScanner() {
        if (!m_line.error().empty()) throw std::runtime_error("scanner line: " + m_line.error());
    }
    std::u16string path16() const { return scanner_port(); }
    std::string path() const {
        const std::u16string port = scanner_port();
        return std::string(port.begin(), port.end());
    }
    void send(const std::string& bytes) {
        if (!m_line.send(bytes)) throw std::runtime_error("the scanner line took no bytes");
    }

private:
    ScannerLine m_line;
};

// Scanners that can be used at once: the relay has one line.
constexpr int kTestScanners = 1;

}  // namespace velmor_test
