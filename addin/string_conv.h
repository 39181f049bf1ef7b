#pragma once
// Conversions at the interface boundary: the interface's 16-bit strings against the
// platform's wide strings, and the fillers that hand texts to the host through its allocator.

#include <cstdint>
#include <string>

#include "IMemoryManager.h"
#include "types.h"

// len counts destination units including the terminator; 0 means the source's length + 1.
// A null *Dest gets a new array of len units. Wide characters are cut to their low 16 bits.
uint32_t convToShortWchar(uint16_t** Dest, const wchar_t* Source, uint32_t len = 0);
uint32_t convFromShortWchar(wchar_t** Dest, const uint16_t* Source, uint32_t len = 0);
uint32_t getLenShortWcharStr(const uint16_t* Source);

bool fillVtStr(tVariant* dst, const char* src, IMemoryManager* memManager);
bool fillVtWStr(tVariant* dst, const uint16_t* src, IMemoryManager* memManager);

// One wide character per byte, widened with its sign; and back, one byte per character.
std::wstring s2w(const std::string& s);
std::string w2s(const std::wstring& s);
