// NS_CStringToUTF16 and NS_UTF16ToCString, with the bridges' UTF codec (texts end at a zero
// unit, ill-formed input becomes U+FFFD).

#include <string>

#include "nsStringAPI.h"
#include "utf_codec.h"

XPCOM_API(nsresult) NS_CStringToUTF16(const nsACString& aSrc, nsCStringEncoding aEncoding,
                                      nsAString& aDest) {
    const char* data = nullptr;
    const uint32_t length = NS_CStringGetData(aSrc, &data, nullptr);
    std::u16string result;
    if (aEncoding == NS_CSTRING_ENCODING_ASCII) {
        result.reserve(length);
        for (uint32_t i = 0; i < length; ++i) result.push_back(char16_t(uint8_t(data[i])));
    } else {
        Utf16String units;
        utf8_to_utf16_append(data, length, units);
        result.assign(units.begin(), units.end());
    }
    return NS_StringSetData(aDest, result.data(), uint32_t(result.size()));
}

XPCOM_API(nsresult) NS_UTF16ToCString(const nsAString& aSrc, nsCStringEncoding aEncoding,
                                      nsACString& aDest) {
    const char16_t* data = nullptr;
    const uint32_t length = NS_StringGetData(aSrc, &data, nullptr);
    std::string result;
    if (aEncoding == NS_CSTRING_ENCODING_ASCII) {
        result.reserve(length);
        for (uint32_t i = 0; i < length; ++i) result.push_back(char(data[i] & 0xff));
    } else {
        utf16_to_utf8_append(reinterpret_cast<const uint16_t*>(data), length, result);
    }
    return NS_CStringSetData(aDest, result.data(), uint32_t(result.size()));
}
