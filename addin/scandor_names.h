#pragma once
// The component's property and method names, English and Russian, by index.

enum ScandorProps {
    ePropClaimed = 0,
    ePropDataBits,
    ePropEventDescription,
    ePropEventName,
    ePropParity,
    ePropPort,
    ePropSpeed,
    ePropStopBits,
    ePropStopChar,
    ePropLast
};

enum ScandorMethods { eMethClaim = 0, eMethClose, eMethLast };

extern const wchar_t* const g_PropNames[ePropLast];
extern const wchar_t* const g_PropNamesRu[ePropLast];
extern const wchar_t* const g_MethodNames[eMethLast];
extern const wchar_t* const g_MethodNamesRu[eMethLast];

// Index of the first entry equal to name, or -1. Exact and case-sensitive.
long findName(const wchar_t* const names[], const wchar_t* name, long size);
