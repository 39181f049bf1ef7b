#include "wchar_wrapper.h"

#include <cstring>
#include <cwchar>

#include "string_conv.h"

WcharWrapper::WcharWrapper(const wchar_t* str) {
    if (str == nullptr) return;
    const size_t len = std::wcslen(str);
    m_str_wchar = new wchar_t[len + 1]();
    std::wmemcpy(m_str_wchar, str, len);
    convToShortWchar(&m_str_WCHAR, m_str_wchar);
}

WcharWrapper::WcharWrapper(const uint16_t* str) {
    if (str == nullptr) return;
    const int len = getStrLen(str);
    m_str_WCHAR = new uint16_t[len + 1]();
    std::memcpy(m_str_WCHAR, str, len * sizeof(uint16_t));
    convFromShortWchar(&m_str_wchar, m_str_WCHAR);
}

WcharWrapper::~WcharWrapper() {
    delete[] m_str_WCHAR;
    delete[] m_str_wchar;
}

int WcharWrapper::getStrLen(const uint16_t* str) {
    return static_cast<int>(getLenShortWcharStr(str));
}
