#pragma once
// The barcode being collected, kept in the interface's 16-bit form and always followed by a
// 0 unit: a complete code goes to the host as it stands, with no copy and no second pass.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class BarcodeBuffer {
public:
    BarcodeBuffer() : m_units(kInitialUnits, 0) {}

    std::size_t size() const { return m_size; }
    const uint16_t* data() const { return m_units.data(); }  // size() units, then a 0

    // Keeps the room already grown, so steady scanning allocates nothing.
    void clear() {
        m_size = 0;
        m_units[0] = 0;
    }

    // Each byte as the unit of its value.
    void appendBytes(const unsigned char* first, const unsigned char* last) {
        const std::size_t count = static_cast<std::size_t>(last - first);
        if (m_size + count >= m_units.size()) grow(m_size + count + 1);
        uint16_t* out = m_units.data() + m_size;
        for (; first != last; ++first) *out++ = *first;
        *out = 0;
        m_size += count;
    }

private:
    static constexpr std::size_t kInitialUnits = 64;  // a long barcode and its 0

    void grow(std::size_t units) { m_units.resize(std::max(units, 2 * m_units.size())); }

    std::vector<uint16_t> m_units;
    std::size_t m_size = 0;
};
