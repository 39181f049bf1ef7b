#pragma once
// Where the host's input comes from: standard input in the program, a memory buffer in the
// fuzz target and the benchmarks.

#include <cstddef>
#include <cstdint>

class IByteSource {
public:
    // Up to `size` bytes into `buffer`; the count read, 0 at the end of the input.
    virtual size_t readSome(uint8_t* buffer, size_t size) = 0;
    virtual ~IByteSource() {}
};

// A file descriptor (a pipe from the browser). A read error counts as the end of input;
// interrupted reads are repeated.
class FdByteSource : public IByteSource {
public:
    explicit FdByteSource(int fd) : m_fd(fd) {}
    size_t readSome(uint8_t* buffer, size_t size) override;

private:
    int m_fd;
};

// A block of memory, not owned.
class MemoryByteSource : public IByteSource {
public:
    MemoryByteSource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    size_t readSome(uint8_t* buffer, size_t size) override;
    size_t consumed() const { return m_pos; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};
