#include "serial_windows.h"

#include "log_event.h"

namespace {

constexpr DWORD kReadBufferSize = 512;
constexpr DWORD kQueueSize = 256;
// A read completes this long after the last byte that arrived: one scan, one block.
constexpr DWORD kReadIntervalMs = 100;
// After a read that failed or brought nothing (a device gone away does so at once, again and
// again) the thread waits this long, still ended at once by Close, before it reads again.
constexpr DWORD kRetryDelayMs = 100;

HANDLE new_auto_reset_event() {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event != nullptr ? event : INVALID_HANDLE_VALUE;
}

// Only a communications device is a port: a file, a pipe or another device opened by its
// name must never be read, so that a caller cannot read files through the Port setting.
bool is_comm_device(HANDLE handle) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    return GetFileType(handle) == FILE_TYPE_CHAR && GetCommState(handle, &dcb);
}

void close_handle(HANDLE* handle) {
    if (*handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
    *handle = INVALID_HANDLE_VALUE;
}

}  // namespace

std::unique_ptr<ISerialPortReader> make_serial_port_reader(IReader* reader) {
    return std::make_unique<SerialPortReader>(reader);
}

SerialPortReader::SerialPortReader(IReader* reader) : SerialPortReaderBase(reader, L"COM1") {}

SerialPortReader::~SerialPortReader() { Close(); }

bool SerialPortReader::Open() {
    if (m_hThread != INVALID_HANDLE_VALUE) return true;
    const std::wstring port = getPort();
    log_event(L"SerialPortReader::Open %ls", port.c_str());

    m_hStopEvent = new_auto_reset_event();
    m_hReadEvent = new_auto_reset_event();
    if (m_hStopEvent == INVALID_HANDLE_VALUE || m_hReadEvent == INVALID_HANDLE_VALUE) {
        releaseHandles();
        return false;
    }
    // The name as the user gave it: ports above COM9 need the "\\.\" form written out.
    m_hPort = CreateFileW(port.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
    if (m_hPort == INVALID_HANDLE_VALUE || !is_comm_device(m_hPort)) {
        releaseHandles();  // so that the next Open starts afresh
        return false;
    }
    SetPortParams();
    startFraming();

    HANDLE thread = CreateThread(nullptr, 0, &SerialPortReader::threadRoutine, this, 0, nullptr);
    if (thread == nullptr) {
        releaseHandles();
        return false;
    }
    m_hThread = thread;
    return true;
}

void SerialPortReader::SetPortParams() {
    SetupComm(m_hPort, kQueueSize, kQueueSize);

    // The settings go into the device's control block as they are, so the property values are
    // the block's own codes (parity 3 is mark, stop bits 1 is one and a half). A device whose
    // block cannot be read keeps its settings rather than being given a block of zeros. The
    // driver reads in binary mode and keeps the end-of-file character in the data: the
    // framing removes it, as on Linux.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (GetCommState(m_hPort, &dcb)) {
        dcb.BaudRate = static_cast<DWORD>(getSpeed());
        dcb.ByteSize = static_cast<BYTE>(getDataBits());
        dcb.Parity = static_cast<BYTE>(getParity());
        dcb.StopBits = static_cast<BYTE>(getStopBits());
        dcb.EofChar = getStopChar();
        SetCommState(m_hPort, &dcb);
    }

    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    SetCommTimeouts(m_hPort, &timeouts);
    SetCommMask(m_hPort, EV_RXCHAR);
    PurgeComm(m_hPort, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

DWORD WINAPI SerialPortReader::threadRoutine(LPVOID reader) {
    if (reader != nullptr) static_cast<SerialPortReader*>(reader)->readLoop();
    return 0;
}

void SerialPortReader::readLoop() {
    char buffer[kReadBufferSize];
    // Each pass looks at the stop event first: under a steady stream reads may complete at
    // once, and Close must still end the thread.
    while (!waitForStop(0)) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = m_hReadEvent;
        DWORD count = 0;
        bool received = ReadFile(m_hPort, buffer, kReadBufferSize, &count, &overlapped) != FALSE;
        if (!received && GetLastError() == ERROR_IO_PENDING) {
            const HANDLE events[2] = {m_hStopEvent, m_hReadEvent};
            const DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
            if (woken != WAIT_OBJECT_0 + 1) {
                // Stop, or a wait that cannot work: the pending read must be finished before
                // the thread leaves, since it writes into this thread's buffer.
                cancelPendingRead(&overlapped);
                return;
            }
            received = GetOverlappedResult(m_hPort, &overlapped, &count, FALSE) != FALSE;
        }
        if (received && count > 0) {
            ProcessBuf(buffer, static_cast<int>(count));
        } else if (waitForStop(kRetryDelayMs)) {
            return;
        }
    }
}

void SerialPortReader::cancelPendingRead(OVERLAPPED* overlapped) {
    CancelIo(m_hPort);
    DWORD count = 0;
    GetOverlappedResult(m_hPort, overlapped, &count, TRUE);  // waits until it is really over
}

bool SerialPortReader::waitForStop(DWORD timeoutMs) {
    // A wait that fails would never see the stop event either: end rather than spin.
    return WaitForSingleObject(m_hStopEvent, timeoutMs) != WAIT_TIMEOUT;
}

void SerialPortReader::Close() {
    if (m_hPort == INVALID_HANDLE_VALUE) return;
    log_event("SerialPortReader::Close");
    SetEvent(m_hStopEvent);
    WaitForSingleObject(m_hThread, INFINITE);  // the thread uses the handles closed below
    releaseHandles();
}

void SerialPortReader::releaseHandles() {
    close_handle(&m_hStopEvent);
    close_handle(&m_hThread);
    close_handle(&m_hPort);
    close_handle(&m_hReadEvent);
}
