#include "utf_codec.h"

#include <cstring>

namespace {

const uint16_t kReplacement = 0xFFFD;

}  // namespace

void utf8_to_utf16_append(const char* text, size_t len, Utf16String& out) {
    if (!text || len == 0) return;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* const end = p + len;
    // Never more units than bytes: 1 byte -> 1 unit, 2 -> 1, 3 -> 1, 4 -> 2, bad -> 1 per byte.
    out.reserve(out.size() + len);
    while (p < end) {
        const unsigned char b0 = *p;
        if (b0 == 0) break;
        if (b0 < 0x80) {
            out.push_back(b0);
            ++p;
            continue;
        }
        // Length of the sequence and the allowed range of its second byte (Unicode Table 3-7).
        unsigned need;
        unsigned char lo = 0x80, hi = 0xBF;
        uint32_t cp;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            need = 1;
            cp = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            need = 2;
            cp = b0 & 0x0F;
            if (b0 == 0xE0) lo = 0xA0;       // no overlong forms
            else if (b0 == 0xED) hi = 0x9F;  // no surrogates
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            need = 3;
            cp = b0 & 0x07;
            if (b0 == 0xF0) lo = 0x90;       // no overlong forms
            else if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
        } else {
            // A continuation byte without a lead, C0, C1 or F5..FF.
            out.push_back(kReplacement);
            ++p;
            continue;
        }
        ++p;
        bool ok = true;
        for (unsigned i = 0; i < need; ++i) {
            if (p == end || *p < lo || *p > hi) {
                ok = false;  // the maximal subpart ends before *p, which is read again
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
            ++p;
            lo = 0x80;
            hi = 0xBF;
        }
        if (!ok) {
            out.push_back(kReplacement);
            continue;
        }
        if (cp < 0x10000) {
            out.push_back(uint16_t(cp));
        } else {
            cp -= 0x10000;
            out.push_back(uint16_t(0xD800 | (cp >> 10)));
            out.push_back(uint16_t(0xDC00 | (cp & 0x3FF)));
        }
    }
}

void utf16_to_utf8_append(const uint16_t* text, size_t len, std::string& out) {
    if (!text || len == 0) return;
    const uint16_t* p = text;
    const uint16_t* const end = p + len;
    // At most 3 bytes per unit (a pair of units gives 4 bytes).
    if (len <= (out.max_size() - out.size()) / 3) out.reserve(out.size() + len * 3);
    while (p < end) {
        uint32_t cp = *p++;
        if (cp == 0) break;
        if (cp < 0x80) {
            out.push_back(char(cp));
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (*p - 0xDC00);
                ++p;
            } else {
                cp = kReplacement;  // a lone surrogate; the next unit is read on its own
            }
        }
        if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
}

size_t utf16_length(const uint16_t* text) {
    if (!text) return 0;
    size_t n = 0;
    while (text[n]) ++n;
    return n;
}

std::string well_formed_utf8(const char* bytes, size_t len) {
    std::string text;
    Utf16String wide;
    size_t begin = 0;
    for (;;) {
        const void* zero = std::memchr(bytes + begin, 0, len - begin);
        const size_t end =
            zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - bytes) : len;
        wide.clear();
        utf8_to_utf16_append(bytes + begin, end - begin, wide);
        utf16_to_utf8_append(wide.data(), wide.size(), text);
        if (end == len) return text;
        text += '\0';
        begin = end + 1;
    }
}
