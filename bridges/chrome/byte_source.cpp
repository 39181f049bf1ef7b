#include "byte_source.h"

#include <cstring>

#include "platform.h"

size_t FdByteSource::readSome(uint8_t* buffer, size_t size) { return read_some(m_fd, buffer, size); }

size_t MemoryByteSource::readSome(uint8_t* buffer, size_t size) {
    const size_t left = m_size - m_pos;
    const size_t n = size < left ? size : left;
    if (n > 0) std::memcpy(buffer, m_data + m_pos, n);
    m_pos += n;
    return n;
}
