// nsID's comparison and text form.

#include <cstring>

#include "nsID.h"
#include "nsXPCOM.h"

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads exactly `digits` hex digits at *text into value and advances past them.
template <class T>
bool read_hex(const char*& text, int digits, T& value) {
    uint32_t result = 0;
    for (int i = 0; i < digits; ++i) {
        int v = hex_value(text[i]);
        if (v < 0) return false;
        result = (result << 4) | static_cast<uint32_t>(v);
    }
    text += digits;
    value = static_cast<T>(result);
    return true;
}

bool read_dash(const char*& text) {
    if (*text != '-') return false;
    ++text;
    return true;
}

bool parse_body(const char*& p, nsID& id) {
    if (!read_hex(p, 8, id.m0) || !read_dash(p) || !read_hex(p, 4, id.m1) || !read_dash(p) ||
        !read_hex(p, 4, id.m2) || !read_dash(p)) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && !read_dash(p)) return false;
        if (!read_hex(p, 2, id.m3[i])) return false;
    }
    return true;
}

}  // namespace

bool nsID::Equals(const nsID& other) const {
    return m0 == other.m0 && m1 == other.m1 && m2 == other.m2 &&
           std::memcmp(m3, other.m3, sizeof m3) == 0;
}

bool nsID::Parse(const char* text) {
    nsID parsed{};
    *this = parsed;
    if (!text) return false;
    const char* p = text;
    bool braced = *p == '{';
    if (braced) ++p;
    if (!parse_body(p, parsed)) return false;
    if (braced && *p++ != '}') return false;
    if (*p != '\0') return false;
    *this = parsed;
    return true;
}

void nsID::ToProvidedString(char (&dest)[NSID_LENGTH]) const {
    static const char kDigits[] = "0123456789abcdef";
    char* out = dest;
    auto put = [&out](uint32_t value, int digits) {
        for (int i = digits - 1; i >= 0; --i) *out++ = kDigits[(value >> (4 * i)) & 0xf];
    };
    *out++ = '{';
    put(m0, 8);
    *out++ = '-';
    put(m1, 4);
    *out++ = '-';
    put(m2, 4);
    *out++ = '-';
    for (int i = 0; i < 8; ++i) {
        if (i == 2) *out++ = '-';
        put(m3[i], 2);
    }
    *out++ = '}';
    *out = '\0';
}

char* nsID::ToString() const {
    char* result = static_cast<char*>(NS_Alloc(NSID_LENGTH));
    if (result) ToProvidedString(*reinterpret_cast<char(*)[NSID_LENGTH]>(result));
    return result;
}
