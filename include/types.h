#pragma once
// The tagged value record that crosses the add-in interface. Its layout is part of the
// contract between separately built libraries, so it is checked at compile time below.

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "com.h"

typedef uint16_t TYPEVAR;

enum ENUMVAR {
    VTYPE_EMPTY = 0,
    VTYPE_NULL,
    VTYPE_I2,
    VTYPE_I4,
    VTYPE_R4,
    VTYPE_R8,
    VTYPE_DATE,
    VTYPE_TM,
    VTYPE_PSTR,
    VTYPE_INTERFACE,
    VTYPE_ERROR,
    VTYPE_BOOL,
    VTYPE_VARIANT,
    VTYPE_I1,
    VTYPE_UI1,
    VTYPE_UI2,
    VTYPE_UI4,
    VTYPE_I8,
    VTYPE_UI8,
    VTYPE_INT,
    VTYPE_UINT,
    VTYPE_HRESULT,
    VTYPE_PWSTR,
    VTYPE_BLOB,
    VTYPE_CLSID,
    VTYPE_STR_BLOB = 0xfff,
    VTYPE_VECTOR = 0x1000,
    VTYPE_ARRAY = 0x2000,
    VTYPE_BYREF = 0x4000,
    VTYPE_RESERVED = 0x8000,
    VTYPE_ILLEGAL = 0xffff,
    VTYPE_ILLEGALMASKED = 0xfff,
    VTYPE_TYPEMASK = 0xfff
};

struct _tVariant {
    union {
        int8_t i8Val;
        int16_t shortVal;
        int32_t lVal;
        int intVal;
        unsigned int uintVal;
        int64_t llVal;
        uint8_t ui8Val;
        uint16_t ushortVal;
        uint32_t ulVal;
        uint64_t ullVal;
        int32_t errCode;
        long hRes;
        float fltVal;
        double dblVal;
        bool bVal;
        char chVal;
        wchar_t wchVal;
        DATE date;
        IID IDVal;
        struct _tVariant* pvarVal;
        struct tm tmVal;
        struct {
            void* pInterfaceVal;
            IID InterfaceID;
        };
        struct {
            char* pstrVal;
            uint32_t strLen;
        };
        struct {
            uint16_t* pwstrVal;
            uint32_t wstrLen;
        };
    };
    uint32_t cbElements;  // reserved by the interface; nothing here reads or writes it
    TYPEVAR vt;
};
typedef struct _tVariant tVariant;

// Layout per platform: separately compiled add-ins and hosts must agree on it byte for byte.
#if defined(_WIN32)
static_assert(sizeof(tVariant) == 48, "tVariant is 48 bytes on Windows");
static_assert(offsetof(tVariant, cbElements) == 40, "cbElements at 40 on Windows");
static_assert(offsetof(tVariant, vt) == 44, "vt at 44 on Windows");
#elif defined(__x86_64__)
static_assert(sizeof(tVariant) == 64, "tVariant is 64 bytes on Linux x86-64");
static_assert(offsetof(tVariant, cbElements) == 56, "cbElements at 56 on Linux x86-64");
static_assert(offsetof(tVariant, vt) == 60, "vt at 60 on Linux x86-64");
#elif defined(__i386__)
static_assert(sizeof(tVariant) == 52, "tVariant is 52 bytes on Linux x86");
static_assert(offsetof(tVariant, cbElements) == 44, "cbElements at 44 on Linux x86");
static_assert(offsetof(tVariant, vt) == 48, "vt at 48 on Linux x86");
#else
#error "tVariant layout is not known for this platform"
#endif
