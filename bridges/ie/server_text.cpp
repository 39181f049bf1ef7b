#include "server_text.h"

std::wstring widened(const char* ascii) {
    std::wstring out;
    for (; *ascii != '\0'; ++ascii) out += static_cast<wchar_t>(static_cast<unsigned char>(*ascii));
    return out;
}

std::string thread_ansi(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size - 1));
    return out;
}

std::wstring bstr_text(BSTR text) {
    return text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
}
