#include "serial_port_reader_base.h"

SerialPortReaderBase::SerialPortReaderBase(IReader* reader, std::wstring defaultPort)
    : m_reader(reader), m_port(std::move(defaultPort)) {}

void SerialPortReaderBase::ProcessBuf(const char* buf, int len) {
    for (int i = 0; i < len; ++i) {
        const unsigned char byte = static_cast<unsigned char>(buf[i]);
        if (byte == '\r' || byte == '\n') {
            deliverCode();
        } else {
            m_barCode.push_back(static_cast<wchar_t>(byte));
        }
    }
}

void SerialPortReaderBase::deliverCode() {
    if (m_reader != nullptr) m_reader->OnRead(m_barCode);
    m_barCode.clear();  // keeps its capacity, so steady scanning allocates nothing here
}
