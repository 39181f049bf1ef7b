#include "scanner_line.h"

#include <cstdio>
#include <cstring>

namespace velmor_test {

namespace {

constexpr DWORD kAnswerDeadlineMs = 5000;

std::wstring wide(const char* ascii) { return std::wstring(ascii, ascii + strlen(ascii)); }

HANDLE open_port(const char* name, std::string* error) {
    HANDLE port = CreateFileW(wide(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        *error += std::string("cannot open ") + name + " (error " +
                  std::to_string(GetLastError()) + "); ";
    }
    return port;
}

bool write_all(HANDLE port, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

ScannerLine::ScannerLine() {
    m_feed = open_port(VELMOR_FEED_PORT, &m_error);
    m_control = open_port(VELMOR_CONTROL_PORT, &m_error);
    if (m_control != INVALID_HANDLE_VALUE) {
        // Every read of an answer ends by this deadline, whether or not it came.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadTotalTimeoutConstant = kAnswerDeadlineMs;
        SetCommTimeouts(m_control, &timeouts);
    }
}

ScannerLine::~ScannerLine() {
    if (m_feed != INVALID_HANDLE_VALUE) CloseHandle(m_feed);
    if (m_control != INVALID_HANDLE_VALUE) CloseHandle(m_control);
}

bool ScannerLine::send(const std::string& bytes) { return write_all(m_feed, bytes); }

bool ScannerLine::ask(char command, std::string* answer, std::string* why) {
    if (!write_all(m_control, std::string(1, command))) {
        *why = "cannot ask the control port";
        return false;
    }
    answer->clear();
    char c = 0;
    DWORD count = 0;
    while (ReadFile(m_control, &c, 1, &count, nullptr) && count == 1 && c != '\n') *answer += c;
    if (c != '\n') {
        *why = "no answer from the control port within 5 s (got \"" + *answer + "\")";
        return false;
    }
    return true;
}

bool ScannerLine::hangUpDeadPort(std::string* why) {
    std::string answer;
    if (!ask('h', &answer, why)) return false;
    if (answer == "hung-up") return true;
    *why = "unexpected answer \"" + answer + "\"";
    return false;
}

bool ScannerLine::deviceSettings(DeviceSettings* settings, std::string* why) {
    std::string answer;
    if (!ask('s', &answer, why)) return false;
    int parodd = 0, cmspar = 0, cstopb = 0;
    if (std::sscanf(answer.c_str(), "speed=%u parodd=%d cmspar=%d cstopb=%d veof=%u",
                    &settings->speed, &parodd, &cmspar, &cstopb, &settings->eofChar) != 5) {
        *why = "unexpected answer \"" + answer + "\"";
        return false;
    }
    settings->parodd = parodd != 0;
    settings->cmspar = cmspar != 0;
    settings->twoStopBits = cstopb != 0;
    return true;
}

std::u16string scanner_port() { return u"" VELMOR_SCANNER_PORT; }
std::u16string dead_port() { return u"" VELMOR_DEAD_PORT; }

}  // namespace velmor_test
