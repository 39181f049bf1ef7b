#pragma once
// Line settings shared by the platform readers, and the framing of the byte stream into
// barcodes. Settings take effect at the next Open; the platform reader decides which apply.

#include <string>

#include "reader_interfaces.h"

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
    // code; other bytes are collected, each as the character of its unsigned value.
    virtual void ProcessBuf(const char* buf, int len);

private:
    void deliverCode();

    IReader* m_reader;
    std::wstring m_barCode;
    int m_iDataBits = 8;
    int m_iParity = 0;
    int m_iSpeed = 9600;
    int m_iStopBits = 0;
    int m_chStopChar = 0;
    std::wstring m_port;
};
