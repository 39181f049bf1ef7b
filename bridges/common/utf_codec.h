#pragma once
// UTF-8 <-> UTF-16 without locale or global state: safe to call from any thread at once.
//
// Both directions stop at the first zero unit (or byte) within the given length: the texts
// are zero-terminated at the add-in interface, so a zero unit ends the text.
//
// Malformed input never fails; it is replaced, following the Unicode "maximal subpart"
// practice (the same as WHATWG's decoder):
//   UTF-8 -> UTF-16: every maximal subpart of an ill-formed sequence (a stray continuation
//     byte, a truncated sequence, an overlong form, an encoded surrogate U+D800..U+DFFF, a
//     value above U+10FFFF, the bytes C0, C1, F5..FF) becomes one U+FFFD;
//   UTF-16 -> UTF-8: a lone surrogate (a high one not followed by a low one, or a low one
//     not preceded by a high one) becomes U+FFFD (EF BF BD).
// Characters beyond U+FFFF travel as surrogate pairs in UTF-16 and as 4 bytes in UTF-8.
//
// Each call reserves the worst-case room once and then appends without reallocating.

#include <cstddef>
#include <cstdint>
#include <string>

typedef std::basic_string<uint16_t> Utf16String;

// Appends the UTF-16 form of the UTF-8 bytes [text, text + len) to `out`.
void utf8_to_utf16_append(const char* text, size_t len, Utf16String& out);
// Appends the UTF-8 form of the UTF-16 units [text, text + len) to `out`.
void utf16_to_utf8_append(const uint16_t* text, size_t len, std::string& out);

// UTF-8 bytes that may be ill-formed (an add-in's narrow text), made well-formed: each
// maximal ill-formed subpart becomes U+FFFD, as in utf8_to_utf16_append, so that a JSON
// writer never reads a bad lead byte as the start of a character and swallows what follows.
// Zero bytes within `len` stay where they are.
std::string well_formed_utf8(const char* bytes, size_t len);

// The number of units before the first zero unit; 0 for a null pointer.
size_t utf16_length(const uint16_t* text);
