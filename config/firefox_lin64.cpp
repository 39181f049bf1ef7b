// Build configuration of VelmorQuillonFFLin64, the Firefox component for Linux x86-64.
#include "firefox_config.h"

// The component finds its own directory by this name: it must be installed under it.
const char* const nameFilePrj = "VelmorQuillonFFLin64.so";
const char* const nameFileComponent = "VelmorPlovikLin64.so";
const AddInComponentType typeComponent = eAddInNative;

#include "firefox_registration.inc"
