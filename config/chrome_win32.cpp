// Build configuration of QuillonChr, the Chrome host for Windows x86.
#include "bridge_config.h"

const char* const nameFilePrj = "QuillonChr.exe";
const char* const nameFileComponent = "VelmorPlovikWin32.dll";
const AddInComponentType typeComponent = eAddInNative;
