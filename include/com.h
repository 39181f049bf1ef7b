#pragma once
// Date and identifier types of the add-in interface. Windows builds take the platform's own.

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

// OLE automation date: days since 1899-12-30, the time of day as the fraction.
typedef double DATE;

typedef unsigned char uuid_t[16];
typedef uuid_t IID;
#endif
