#pragma once
// Line settings shared by the platform readers, and the framing of the byte stream into
// barcodes. Settings take effect at the next Open; the platform reader decides which apply.

#include <cstddef>
#include <string>

#include "barcode_buffer.h"
#include "reader_interfaces.h"

// The longest code collected before it is delivered: far above any symbology's largest
// code, and a bound on memory for a device that never sends a terminator.
constexpr std::size_t kMaxCodeLength = 64 * 1024;

class SerialPortReaderBase : public ISerialPortReader {
public:
    SerialPortReaderBase(IReader* reader, std::wstring defaultPort);

    int getDataBits() override { return m_iDataBits; }
    int getParity() override { return m_iParity; }
    std::wstring getPort() override { return m_port; }
    int getSpeed() override { return m_iSpeed; }
    int getStopBits() override { return m_iStopBits; }
    char getStopChar() override { return static_cast<char>(m_chStopChar); }
    void setDataBits(int value) override { m_iDataBits = value; }
    void setParity(int value) override { m_iParity = value; }
    void setPort(std::wstring value) override { m_port = std::move(value); }
    void setSpeed(int value) override { m_iSpeed = value; }
    void setStopBits(int value) override { m_iStopBits = value; }
    void setStopChar(char value) override { m_chStopChar = static_cast<signed char>(value); }

    // Called on the reader thread with each chunk read from the device. CR and LF end a
    // code; the stop character is dropped; other bytes are collected, each as the character
    // of its unsigned value. A code that reaches kMaxCodeLength is delivered as it is.
    virtual void ProcessBuf(const char* buf, int len);

protected:
    // Called by Open before the reader thread starts: bytes of an earlier claim are
    // forgotten, and the framing takes the stop character that applies from now on.
    void startFraming();

private:
    bool endsRun(unsigned char byte) const;
    void appendPastTheLimit(const unsigned char* first, const unsigned char* last);
    void deliverCode();

    IReader* m_reader;
    BarcodeBuffer m_barCode;
    int m_framedStopChar = -1;  // the stop character's byte while open; -1: none
    int m_iDataBits = 8;
    int m_iParity = 0;
    int m_iSpeed = 9600;
    int m_iStopBits = 0;
    int m_chStopChar = 0;
    std::wstring m_port;
};
