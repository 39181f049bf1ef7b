#pragma once
// The browser's frozen string interface: opaque string objects of 16-bit (nsAString) and
// 8-bit (nsACString) units, handled only through the NS_String* / NS_CString* functions
// that the browser exports, plus small inline classes over them.
//
// Layout: a string object is three words {data pointer, length, flags}, as the browser of
// that generation lays out its own strings, so a string made on either side can be passed
// by reference to the other. Only the runtime reads the fields.

#include <cstdint>

#include "nsError.h"

struct nsStringContainer_base {
private:
    void* d1;
    uint32_t d2;
    uint32_t d3;
};

/// Flags of NS_StringContainerInit2 / NS_CStringContainerInit2.
enum {
    /// The container refers to the caller's data, which must outlive it.
    NS_STRING_CONTAINER_INIT_DEPEND = 1 << 1,
    /// The container takes over data allocated with NS_Alloc.
    NS_STRING_CONTAINER_INIT_ADOPT = 1 << 2,
    /// The data need not be terminated (with DEPEND).
    NS_STRING_CONTAINER_INIT_SUBSTRING = 1 << 3,
    NS_CSTRING_CONTAINER_INIT_DEPEND = NS_STRING_CONTAINER_INIT_DEPEND,
    NS_CSTRING_CONTAINER_INIT_ADOPT = NS_STRING_CONTAINER_INIT_ADOPT,
    NS_CSTRING_CONTAINER_INIT_SUBSTRING = NS_STRING_CONTAINER_INIT_SUBSTRING
};

/// Encodings of the 8-bit side in NS_CStringToUTF16 / NS_UTF16ToCString. ASCII keeps the
/// low byte of each unit (lossy); the file-system encoding is UTF-8 on every build here.
enum nsCStringEncoding {
    NS_CSTRING_ENCODING_ASCII = 0,
    NS_CSTRING_ENCODING_UTF8 = 1,
    NS_CSTRING_ENCODING_NATIVE_FILESYSTEM = 2
};

class nsAString;
class nsACString;
class nsStringContainer;
class nsCStringContainer;

// ---- 16-bit strings: functions exported by the browser ----
/// Makes an empty string.
XPCOM_API(nsresult) NS_StringContainerInit(nsStringContainer& aContainer);
/// Makes a string of aData (up to its terminator when aDataLength is UINT32_MAX), copied
/// unless aFlags says DEPEND or ADOPT.
XPCOM_API(nsresult) NS_StringContainerInit2(nsStringContainer& aContainer,
                                            const char16_t* aData = nullptr,
                                            uint32_t aDataLength = UINT32_MAX,
                                            uint32_t aFlags = 0);
/// Releases what the string owns; the container may then be initialised again.
XPCOM_API(void) NS_StringContainerFinish(nsStringContainer& aContainer);
/// The string's units and length; *aTerminated tells whether a zero unit follows them.
XPCOM_API(uint32_t) NS_StringGetData(const nsAString& aStr, const char16_t** aData,
                                     bool* aTerminated = nullptr);
/// Makes the string writable (resizing it to aDataLength unless that is UINT32_MAX) and
/// returns its length and units; 0 and null when out of memory.
XPCOM_API(uint32_t) NS_StringGetMutableData(nsAString& aStr, uint32_t aDataLength,
                                            char16_t** aData);
/// A terminated copy allocated with NS_Alloc; null when out of memory.
XPCOM_API(char16_t*) NS_StringCloneData(const nsAString& aStr);
/// Replaces the content (aDataLength UINT32_MAX: up to the terminator; null data: empty).
XPCOM_API(nsresult) NS_StringSetData(nsAString& aStr, const char16_t* aData,
                                     uint32_t aDataLength = UINT32_MAX);
/// Replaces aCutLength units at aCutOffset (UINT32_MAX offset: the end) by aData.
XPCOM_API(nsresult) NS_StringSetDataRange(nsAString& aStr, uint32_t aCutOffset,
                                          uint32_t aCutLength, const char16_t* aData,
                                          uint32_t aDataLength = UINT32_MAX);
XPCOM_API(nsresult) NS_StringCopy(nsAString& aDestStr, const nsAString& aSrcStr);

// ---- 8-bit strings ----
XPCOM_API(nsresult) NS_CStringContainerInit(nsCStringContainer& aContainer);
XPCOM_API(nsresult) NS_CStringContainerInit2(nsCStringContainer& aContainer,
                                             const char* aData = nullptr,
                                             uint32_t aDataLength = UINT32_MAX,
                                             uint32_t aFlags = 0);
XPCOM_API(void) NS_CStringContainerFinish(nsCStringContainer& aContainer);
XPCOM_API(uint32_t) NS_CStringGetData(const nsACString& aStr, const char** aData,
                                      bool* aTerminated = nullptr);
XPCOM_API(uint32_t) NS_CStringGetMutableData(nsACString& aStr, uint32_t aDataLength,
                                             char** aData);
XPCOM_API(char*) NS_CStringCloneData(const nsACString& aStr);
XPCOM_API(nsresult) NS_CStringSetData(nsACString& aStr, const char* aData,
                                      uint32_t aDataLength = UINT32_MAX);
XPCOM_API(nsresult) NS_CStringSetDataRange(nsACString& aStr, uint32_t aCutOffset,
                                           uint32_t aCutLength, const char* aData,
                                           uint32_t aDataLength = UINT32_MAX);
XPCOM_API(nsresult) NS_CStringCopy(nsACString& aDestStr, const nsACString& aSrcStr);

// ---- conversions ----
/// aDest = aSrc decoded from aEncoding (invalid UTF-8 becomes U+FFFD).
XPCOM_API(nsresult) NS_CStringToUTF16(const nsACString& aSrc, nsCStringEncoding aEncoding,
                                      nsAString& aDest);
/// aDest = aSrc encoded in aEncoding (an unpaired surrogate becomes U+FFFD in UTF-8).
XPCOM_API(nsresult) NS_UTF16ToCString(const nsAString& aSrc, nsCStringEncoding aEncoding,
                                      nsACString& aDest);

/// Generates the inline members shared by nsAString and nsACString.
#define NS_STRING_API_MEMBERS(self_type, unit, Prefix)                                         \
public:                                                                                       \
    typedef unit char_type;                                                                   \
    typedef uint32_t size_type;                                                               \
    uint32_t Length() const { return Prefix##GetData(*this, nullptr, nullptr); }              \
    bool IsEmpty() const { return Length() == 0; }                                            \
    const char_type* BeginReading() const {                                                   \
        const char_type* data = nullptr;                                                      \
        Prefix##GetData(*this, &data, nullptr);                                               \
        return data;                                                                          \
    }                                                                                         \
    const char_type* EndReading() const {                                                     \
        const char_type* data = nullptr;                                                      \
        uint32_t len = Prefix##GetData(*this, &data, nullptr);                                \
        return data + len;                                                                    \
    }                                                                                         \
    char_type* BeginWriting() {                                                               \
        char_type* data = nullptr;                                                            \
        Prefix##GetMutableData(*this, UINT32_MAX, &data);                                     \
        return data;                                                                          \
    }                                                                                         \
    /* Resizes; new units are unspecified. False when out of memory. */                       \
    bool SetLength(uint32_t aLen) {                                                           \
        char_type* data = nullptr;                                                            \
        Prefix##GetMutableData(*this, aLen, &data);                                           \
        return data != nullptr;                                                               \
    }                                                                                         \
    void Truncate() { Prefix##SetData(*this, nullptr, 0); }                                   \
    void Assign(const char_type* aData, uint32_t aLen = UINT32_MAX) {                         \
        Prefix##SetData(*this, aData, aLen);                                                  \
    }                                                                                         \
    void Assign(const self_type& aOther) { Prefix##Copy(*this, aOther); }                     \
    void Append(const char_type* aData, uint32_t aLen = UINT32_MAX) {                         \
        Prefix##SetDataRange(*this, UINT32_MAX, 0, aData, aLen);                              \
    }                                                                                         \
    void Append(const self_type& aOther) {                                                    \
        const char_type* data = nullptr;                                                      \
        uint32_t len = Prefix##GetData(aOther, &data, nullptr);                               \
        Append(data, len);                                                                    \
    }                                                                                         \
    void Append(char_type aUnit) { Append(&aUnit, 1); }                                       \
    void Cut(uint32_t aStart, uint32_t aLen) {                                                \
        Prefix##SetDataRange(*this, aStart, aLen, nullptr, 0);                                \
    }                                                                                         \
    bool Equals(const self_type& aOther) const {                                              \
        const char_type* a = nullptr;                                                         \
        const char_type* b = nullptr;                                                         \
        uint32_t la = Prefix##GetData(*this, &a, nullptr);                                    \
        uint32_t lb = Prefix##GetData(aOther, &b, nullptr);                                   \
        if (la != lb) return false;                                                           \
        for (uint32_t i = 0; i < la; ++i)                                                     \
            if (a[i] != b[i]) return false;                                                   \
        return true;                                                                          \
    }                                                                                         \
    /* Compares with a terminated text; null equals the empty string. */                     \
    bool Equals(const char_type* aOther) const {                                              \
        const char_type* a = nullptr;                                                         \
        uint32_t la = Prefix##GetData(*this, &a, nullptr);                                    \
        if (!aOther) return la == 0;                                                          \
        for (uint32_t i = 0; i < la; ++i)                                                     \
            if (aOther[i] != a[i]) return false;                                              \
        return aOther[la] == 0;                                                               \
    }                                                                                         \
    self_type& operator=(const self_type& aOther) {                                           \
        Assign(aOther);                                                                       \
        return *this;                                                                         \
    }                                                                                         \
    self_type& operator=(const char_type* aData) {                                            \
        Assign(aData);                                                                        \
        return *this;                                                                         \
    }                                                                                         \
    self_type& operator+=(const self_type& aOther) {                                          \
        Append(aOther);                                                                       \
        return *this;                                                                         \
    }                                                                                         \
    self_type& operator+=(const char_type* aData) {                                           \
        Append(aData);                                                                        \
        return *this;                                                                         \
    }                                                                                         \
    self_type& operator+=(char_type aUnit) {                                                  \
        Append(aUnit);                                                                        \
        return *this;                                                                         \
    }

/// An opaque string of UTF-16 units; always really an nsStringContainer (or the browser's
/// own string of the same layout).
class nsAString {
    NS_STRING_API_MEMBERS(nsAString, char16_t, NS_String)
protected:
    nsAString() = default;
    ~nsAString() = default;
    nsAString(const nsAString&) = default;
};

/// An opaque string of 8-bit units.
class nsACString {
    NS_STRING_API_MEMBERS(nsACString, char, NS_CString)
protected:
    nsACString() = default;
    ~nsACString() = default;
    nsACString(const nsACString&) = default;
};

typedef nsACString nsAUTF8String;

/// The storage of a string object; the classes below initialise and finish it.
class nsStringContainer : public nsAString, private nsStringContainer_base {
protected:
    nsStringContainer() = default;
    ~nsStringContainer() = default;
};

class nsCStringContainer : public nsACString, private nsStringContainer_base {
protected:
    nsCStringContainer() = default;
    ~nsCStringContainer() = default;
};

static_assert(sizeof(nsStringContainer) == sizeof(void*) + 8 ||
                  sizeof(nsStringContainer) == sizeof(void*) * 2,
              "a string object is three words");

/// An owned UTF-16 string.
class nsString : public nsStringContainer {
public:
    nsString() { NS_StringContainerInit(*this); }
    explicit nsString(const char16_t* aData, uint32_t aLen = UINT32_MAX) {
        NS_StringContainerInit2(*this, aData, aLen, 0);
    }
    nsString(const nsString& aOther) : nsStringContainer() {
        NS_StringContainerInit(*this);
        NS_StringCopy(*this, aOther);
    }
    explicit nsString(const nsAString& aOther) {
        NS_StringContainerInit(*this);
        NS_StringCopy(*this, aOther);
    }
    ~nsString() { NS_StringContainerFinish(*this); }

    using nsAString::operator=;
    nsString& operator=(const nsString& aOther) {
        Assign(aOther);
        return *this;
    }
    /// The units, terminated.
    const char16_t* get() const { return BeginReading(); }

protected:
    struct Depend {};
    nsString(const char16_t* aData, uint32_t aLen, Depend) {
        NS_StringContainerInit2(*this, aData, aLen, NS_STRING_CONTAINER_INIT_DEPEND);
    }
};

/// A string over the caller's terminated text, which must outlive it; it copies on write.
class nsDependentString : public nsString {
public:
    explicit nsDependentString(const char16_t* aData, uint32_t aLen = UINT32_MAX)
        : nsString(aData ? aData : u"", aData ? aLen : 0, Depend()) {}
};

/// An owned 8-bit string.
class nsCString : public nsCStringContainer {
public:
    nsCString() { NS_CStringContainerInit(*this); }
    explicit nsCString(const char* aData, uint32_t aLen = UINT32_MAX) {
        NS_CStringContainerInit2(*this, aData, aLen, 0);
    }
    nsCString(const nsCString& aOther) : nsCStringContainer() {
        NS_CStringContainerInit(*this);
        NS_CStringCopy(*this, aOther);
    }
    explicit nsCString(const nsACString& aOther) {
        NS_CStringContainerInit(*this);
        NS_CStringCopy(*this, aOther);
    }
    ~nsCString() { NS_CStringContainerFinish(*this); }

    using nsACString::operator=;
    nsCString& operator=(const nsCString& aOther) {
        Assign(aOther);
        return *this;
    }
    /// The units, terminated.
    const char* get() const { return BeginReading(); }

protected:
    struct Depend {};
    nsCString(const char* aData, uint32_t aLen, Depend) {
        NS_CStringContainerInit2(*this, aData, aLen, NS_CSTRING_CONTAINER_INIT_DEPEND);
    }
};

class nsDependentCString : public nsCString {
public:
    explicit nsDependentCString(const char* aData, uint32_t aLen = UINT32_MAX)
        : nsCString(aData ? aData : "", aData ? aLen : 0, Depend()) {}
};

typedef nsString nsAutoString;
typedef nsCString nsAutoCString;

/// UTF-8 text as a UTF-16 string.
class NS_ConvertUTF8toUTF16 : public nsString {
public:
    explicit NS_ConvertUTF8toUTF16(const nsACString& aSrc) {
        NS_CStringToUTF16(aSrc, NS_CSTRING_ENCODING_UTF8, *this);
    }
    explicit NS_ConvertUTF8toUTF16(const char* aSrc, uint32_t aLen = UINT32_MAX) {
        NS_CStringToUTF16(nsDependentCString(aSrc, aLen), NS_CSTRING_ENCODING_UTF8, *this);
    }
};

/// UTF-16 text as a UTF-8 string.
class NS_ConvertUTF16toUTF8 : public nsCString {
public:
    explicit NS_ConvertUTF16toUTF8(const nsAString& aSrc) {
        NS_UTF16ToCString(aSrc, NS_CSTRING_ENCODING_UTF8, *this);
    }
    explicit NS_ConvertUTF16toUTF8(const char16_t* aSrc, uint32_t aLen = UINT32_MAX) {
        NS_UTF16ToCString(nsDependentString(aSrc, aLen), NS_CSTRING_ENCODING_UTF8, *this);
    }
};

class NS_ConvertASCIItoUTF16 : public nsString {
public:
    explicit NS_ConvertASCIItoUTF16(const char* aSrc, uint32_t aLen = UINT32_MAX) {
        NS_CStringToUTF16(nsDependentCString(aSrc, aLen), NS_CSTRING_ENCODING_ASCII, *this);
    }
};

class NS_LossyConvertUTF16toASCII : public nsCString {
public:
    explicit NS_LossyConvertUTF16toASCII(const nsAString& aSrc) {
        NS_UTF16ToCString(aSrc, NS_CSTRING_ENCODING_ASCII, *this);
    }
};

#define NS_LITERAL_STRING(s) nsDependentString(u"" s)
#define NS_LITERAL_CSTRING(s) nsDependentCString("" s)
