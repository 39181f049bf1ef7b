#pragma once
// The Chrome host's text and object-number types.

#include <cstdint>
#include <string>

// One UTF-16 code unit, the unit of every interface string.
typedef uint16_t UnicodeChar;
// A UTF-16 text; the same type as the codec's Utf16String (bridges/common/utf_codec.h).
typedef std::basic_string<UnicodeChar> UnicodeString;
// The unsigned 32-bit number of a scriptable object.
typedef uint32_t cls_id;
