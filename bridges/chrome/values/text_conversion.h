#pragma once
// The host's UTF-8 <-> UTF-16 conversions, one implementation per platform:
// text_conversion_linux.cpp uses the locale-free codec of bridges/common/utf_codec.h,
// text_conversion_win.cpp the system's code-page functions (CP_UTF8). Neither depends on the
// process locale, so the main thread and an add-in's reader thread may convert at once.
//
// Both append to `out` and stop at the first zero unit (or byte) within the given length: a
// count that includes a text's terminator gives the same text. Characters beyond U+FFFF are a
// surrogate pair in UTF-16 and one 4-byte sequence in UTF-8. Malformed input is replaced by
// U+FFFD, never reported. A buffer that cannot be had throws std::bad_alloc.

#include <cstddef>
#include <string>

#include "host_types.h"

void utf8_to_utf16_text(const char* text, size_t len, UnicodeString& out);
void utf16_to_utf8_text(const UnicodeChar* text, size_t len, std::string& out);
