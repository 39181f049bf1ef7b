#include "frame_reader.h"

#include <cstring>
#include <vector>

namespace {
// Reads and drops go in pieces of this size, and a message buffer grows by at most this much
// ahead of the bytes that have arrived.
constexpr size_t kReadPiece = 64 * 1024;
}  // namespace

size_t FrameReader::readFully(uint8_t* buffer, size_t size) {
    size_t done = 0;
    while (done < size && !m_ended) {
        const size_t got = m_source.readSome(buffer + done, size - done);
        if (got == 0) {
            m_ended = true;
            break;
        }
        done += got;
    }
    return done;
}

FrameReader::Result FrameReader::next(std::string& text) {
    text.clear();
    uint8_t prefix[4];
    if (m_ended || readFully(prefix, sizeof prefix) < sizeof prefix) {
        m_ended = true;
        return eEnd;
    }
    uint32_t announced = 0;
    std::memcpy(&announced, prefix, sizeof announced);  // native byte order
    m_lastAnnounced = announced;

    if (announced > m_maxMessage) {
        std::vector<uint8_t> scratch(kReadPiece);
        uint32_t left = announced;
        while (left > 0 && !m_ended) {
            const size_t piece = left < kReadPiece ? left : kReadPiece;
            left -= static_cast<uint32_t>(readFully(scratch.data(), piece));
        }
        return eOversized;
    }

    size_t have = 0;
    while (have < announced && !m_ended) {
        const size_t want = announced - have < kReadPiece ? announced - have : kReadPiece;
        text.resize(have + want);
        have += readFully(reinterpret_cast<uint8_t*>(&text[have]), want);
    }
    text.resize(have);
    // The message is taken as a zero-terminated text.
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return eFrame;
}
