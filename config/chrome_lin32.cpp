// Build configuration of VelmorQuillonChrLin32, the Chrome host for Linux x86.
#include "bridge_config.h"

const char* const nameFilePrj = "VelmorQuillonChrLin32";
const char* const nameFileComponent = "VelmorPlovikLin32.so";
const AddInComponentType typeComponent = eAddInNative;
