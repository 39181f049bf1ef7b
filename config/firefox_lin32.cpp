// Build configuration of VelmorQuillonFFLin32, the Firefox component for Linux x86.
#include "firefox_config.h"

// The component finds its own directory by this name: it must be installed under it.
const char* const nameFilePrj = "VelmorQuillonFFLin32.so";
const char* const nameFileComponent = "VelmorPlovikLin32.so";
const AddInComponentType typeComponent = eAddInNative;

#include "firefox_registration.inc"
