#pragma once
// The two sides between the component and its port reader.

#include <cstdint>
#include <memory>
#include <string>

// The component's side: receives every complete barcode, on the reader's thread, in the
// interface's 16-bit form and followed by a 0 unit. The text is the reader's own and lasts
// only for the call.
class IReader {
public:
    virtual ~IReader() {}
    virtual void OnRead(const uint16_t* code) = 0;
};

// The reader's side: line settings, and opening and closing the device.
class ISerialPortReader {
public:
    virtual ~ISerialPortReader() {}
    virtual int getDataBits() = 0;
    virtual int getParity() = 0;
    virtual std::wstring getPort() = 0;
    virtual int getSpeed() = 0;
    virtual int getStopBits() = 0;
    virtual char getStopChar() = 0;
    virtual void setDataBits(int value) = 0;
    virtual void setParity(int value) = 0;
    virtual void setPort(std::wstring value) = 0;
    virtual void setSpeed(int value) = 0;
    virtual void setStopBits(int value) = 0;
    virtual void setStopChar(char value) = 0;
    virtual void Close() = 0;
    virtual bool Open() = 0;
};

// The platform's reader (one implementation file per platform), reporting to `reader`.
std::unique_ptr<ISerialPortReader> make_serial_port_reader(IReader* reader);
