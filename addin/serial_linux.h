#pragma once
// The Linux port reader: a terminal device, put into raw input, read by one thread per open
// reader. The thread blocks in poll() on the device and on a wake-up descriptor, so an idle
// port costs nothing and Close ends the thread at once.

#include <atomic>
#include <thread>

#include "serial_port_reader_base.h"

class SerialPortReader : public SerialPortReaderBase {
public:
    explicit SerialPortReader(IReader* reader);
    ~SerialPortReader() override;

    bool Open() override;
    void Close() override;

private:
    void SetPortParams();
    void threadFunc();
    bool readAvailable();
    bool waitForStop(int timeoutMs);
    void closeDescriptors();

    int m_portDesc = -1;
    int m_wakeDesc = -1;  // eventfd: Close writes it to wake the thread
    std::thread m_thread;
    std::atomic<bool> m_isOpened{false};
};
