#include "byte_source.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

size_t FdByteSource::readSome(uint8_t* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, size);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) return 0;
    }
}

size_t MemoryByteSource::readSome(uint8_t* buffer, size_t size) {
    const size_t left = m_size - m_pos;
    const size_t n = size < left ? size : left;
    if (n > 0) std::memcpy(buffer, m_data + m_pos, n);
    m_pos += n;
    return n;
}
