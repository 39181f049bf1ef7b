#include "serial_port_reader_base.h"

#include <algorithm>

SerialPortReaderBase::SerialPortReaderBase(IReader* reader, std::wstring defaultPort)
    : m_reader(reader), m_port(std::move(defaultPort)) {}

void SerialPortReaderBase::startFraming() {
    m_barCode.clear();
    const int stopByte = m_chStopChar & 0xFF;
    m_framedStopChar = stopByte != 0 ? stopByte : -1;  // 0 means no stop character
}

void SerialPortReaderBase::ProcessBuf(const char* buf, int len) {
    const unsigned char* next = reinterpret_cast<const unsigned char*>(buf);
    const unsigned char* const end = next + std::max(len, 0);
    while (next != end) {
        // The bytes up to the next terminator or stop character join the code at once.
        const unsigned char* run = next;
        while (next != end && !endsRun(*next)) ++next;
        if (m_barCode.size() + static_cast<std::size_t>(next - run) <= kMaxCodeLength) {
            m_barCode.appendBytes(run, next);  // the usual case: the whole run fits
        } else {
            appendPastTheLimit(run, next);
        }
        if (next == end) return;
        // CR and LF end the code even when one of them is also the stop character, so that a
        // line ending is never lost to the setting.
        if (*next == '\r' || *next == '\n') deliverCode();
        ++next;
    }
}

bool SerialPortReaderBase::endsRun(unsigned char byte) const {
    return byte == '\r' || byte == '\n' || byte == m_framedStopChar;
}

void SerialPortReaderBase::appendPastTheLimit(const unsigned char* first,
                                              const unsigned char* last) {
    while (first != last) {
        // A full code is delivered only when more of it comes, so that a code of exactly the
        // limit followed by its terminator is one code, not that code and an empty one.
        if (m_barCode.size() == kMaxCodeLength) deliverCode();
        const std::size_t room = kMaxCodeLength - m_barCode.size();
        const std::size_t take = std::min(room, static_cast<std::size_t>(last - first));
        m_barCode.appendBytes(first, first + take);
        first += take;
    }
}

void SerialPortReaderBase::deliverCode() {
    if (m_reader != nullptr) m_reader->OnRead(m_barCode.data());
    m_barCode.clear();
}
