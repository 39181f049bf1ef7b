#pragma once
// Reading the host's input frames: a 4-byte length N in native byte order, then
// N bytes of message. Framing only; what a message means is the message loop's business.

#include <cstdint>
#include <string>

#include "byte_source.h"
#include "frame_limits.h"

class FrameReader {
public:
    enum Result {
        eFrame,      // a message was read (possibly cut short by the end of the input)
        eOversized,  // a frame announced more than the maximum; its bytes were skipped
        eEnd         // the input ended before a whole length prefix
    };

    explicit FrameReader(IByteSource& source, uint32_t maxMessage = kMaxIncomingMessage)
        : m_source(source), m_maxMessage(maxMessage) {}

    // The next frame. For eFrame, `text` is the message up to its first zero byte. Reading
    // goes on until N bytes have arrived or the input ends: pipes deliver large messages in
    // pieces. Memory grows with the bytes that actually arrive, never with the announced
    // length alone.
    Result next(std::string& text);

    // The announced length of the last frame (also of a skipped one).
    uint32_t lastAnnounced() const { return m_lastAnnounced; }
    // Whether the input has ended (a later next() returns eEnd).
    bool ended() const { return m_ended; }

private:
    size_t readFully(uint8_t* buffer, size_t size);

    IByteSource& m_source;
    uint32_t m_maxMessage;
    uint32_t m_lastAnnounced = 0;
    bool m_ended = false;
};
