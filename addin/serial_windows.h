#pragma once
// The Windows port reader: a communications device opened for overlapped input and read by
// one thread per open reader. A stop event ends the thread even while a read is pending.

#include <windows.h>

#include "serial_port_reader_base.h"

class SerialPortReader : public SerialPortReaderBase {
public:
    explicit SerialPortReader(IReader* reader);
    ~SerialPortReader() override;

    bool Open() override;
    void Close() override;

private:
    void SetPortParams();
    static DWORD WINAPI threadRoutine(LPVOID reader);
    void readLoop();
    void cancelPendingRead(OVERLAPPED* overlapped);
    bool waitForStop(DWORD timeoutMs);
    void releaseHandles();

    HANDLE m_hPort = INVALID_HANDLE_VALUE;
    HANDLE m_hThread = INVALID_HANDLE_VALUE;
    HANDLE m_hStopEvent = INVALID_HANDLE_VALUE;
    HANDLE m_hReadEvent = INVALID_HANDLE_VALUE;  // the thread's overlapped reads
};
