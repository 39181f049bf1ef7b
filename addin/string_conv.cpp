#include "string_conv.h"

#include <cstring>
#include <cwchar>

uint32_t getLenShortWcharStr(const uint16_t* Source) {
    uint32_t len = 0;
    while (Source[len] != 0) ++len;
    return len;
}

uint32_t convToShortWchar(uint16_t** Dest, const wchar_t* Source, uint32_t len) {
    if (len == 0) len = static_cast<uint32_t>(std::wcslen(Source)) + 1;
    if (*Dest == nullptr) *Dest = new uint16_t[len];
    uint16_t* out = *Dest;
    std::memset(out, 0, len * sizeof(uint16_t));
    uint32_t copied = 0;
    while (copied < len && Source[copied] != 0) {
        out[copied] = static_cast<uint16_t>(Source[copied] & 0xFFFF);
        ++copied;
    }
    return copied;
}

uint32_t convFromShortWchar(wchar_t** Dest, const uint16_t* Source, uint32_t len) {
    if (len == 0) len = getLenShortWcharStr(Source) + 1;
    if (*Dest == nullptr) *Dest = new wchar_t[len];
    wchar_t* out = *Dest;
    std::wmemset(out, 0, len);
    uint32_t copied = 0;
    while (copied < len && Source[copied] != 0) {
        out[copied] = static_cast<wchar_t>(Source[copied]);
        ++copied;
    }
    return copied;
}

bool fillVtStr(tVariant* dst, const char* src, IMemoryManager* memManager) {
    const size_t n = std::strlen(src);
    void* block = nullptr;
    if (!memManager->AllocMemory(&block, static_cast<unsigned long>(n + 1))) return false;
    std::memset(block, 0, n + 1);
    std::memcpy(block, src, n);
    dst->pstrVal = static_cast<char*>(block);
    dst->strLen = static_cast<uint32_t>(n);
    dst->vt = VTYPE_PSTR;
    return true;
}

bool fillVtWStr(tVariant* dst, const uint16_t* src, IMemoryManager* memManager) {
    const uint32_t n = getLenShortWcharStr(src);
    const size_t bytes = (static_cast<size_t>(n) + 1) * sizeof(uint16_t);
    void* block = nullptr;
    if (!memManager->AllocMemory(&block, static_cast<unsigned long>(bytes))) return false;
    std::memset(block, 0, bytes);
    std::memcpy(block, src, n * sizeof(uint16_t));
    dst->pwstrVal = static_cast<uint16_t*>(block);
    dst->wstrLen = n;
    dst->vt = VTYPE_PWSTR;
    return true;
}

std::wstring s2w(const std::string& s) {
    std::wstring out;
    out.reserve(s.size());
    for (char c : s) out.push_back(static_cast<wchar_t>(static_cast<signed char>(c)));
    return out;
}

std::string w2s(const std::wstring& s) {
    std::string out;
    out.reserve(s.size());
    for (wchar_t c : s) out.push_back(static_cast<char>(static_cast<unsigned>(c) & 0xFF));
    return out;
}
