// Build configuration of VelmorQuillonFFWin32, the Firefox component for Windows x86.
#include "firefox_config.h"
#include "firefox_config_com.h"

// The component finds its own directory by this name: it must be installed under it.
const char* const nameFilePrj = "VelmorQuillonFFWin32.dll";
const char* const nameFileComponent = "VelmorPlovikWin32.dll";
const AddInComponentType typeComponent = eAddInNative;

#include "firefox_registration.inc"
#include "firefox_registration_com.inc"
