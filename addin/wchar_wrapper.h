#pragma once
// One text held twice: as interface (16-bit) units and as platform wide characters.

#include <cstdint>

class WcharWrapper {
public:
    explicit WcharWrapper(const wchar_t* str);
    explicit WcharWrapper(const uint16_t* str);
    ~WcharWrapper();
    WcharWrapper(const WcharWrapper&) = delete;
    WcharWrapper& operator=(const WcharWrapper&) = delete;

    operator const uint16_t*() const { return m_str_WCHAR; }
    operator uint16_t*() { return m_str_WCHAR; }
    operator const wchar_t*() const { return m_str_wchar; }
    operator wchar_t*() { return m_str_wchar; }

    static int getStrLen(const uint16_t* str);

private:
    uint16_t* m_str_WCHAR = nullptr;
    wchar_t* m_str_wchar = nullptr;
};
