// The library's entry point on Windows: the version probe runs when the browser loads it,
// before it reads the module table.
#include <windows.h>

#include "version_probe.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) init_version();
    return TRUE;
}
