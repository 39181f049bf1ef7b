#pragma once
// Interface strings for the tests' add-ins and hosts: 16-bit units made from ASCII text, and
// comparing one with ASCII text.

#include <cstdint>
#include <string>

namespace velmor_test {

typedef std::basic_string<uint16_t> Text;

inline Text text(const char* s) {
    Text t;
    for (; *s; ++s) t.push_back(static_cast<unsigned char>(*s));
    return t;
}

// False for a null string.
inline bool equal(const uint16_t* a, const char* b) {
    if (a == nullptr) return false;
    for (; *b; ++a, ++b) {
        if (*a != static_cast<unsigned char>(*b)) return false;
    }
    return *a == 0;
}

}  // namespace velmor_test
