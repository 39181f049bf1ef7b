// Build configuration of VelmorQuillonFFWin32, the Firefox component for Windows x86.
#include "firefox_config.h"
#include "firefox_config_com.h"

// The component finds its own directory by this name: it must be installed under it.
const char* const nameFilePrj = "VelmorQuillonFFWin32.dll";
const char* const nameFileComponent = "VelmorPlovikWin32.dll";
const AddInComponentType typeComponent = eAddInNative;

#include "firefox_registration.inc"

const char ADAPTERCOM_CONTRACTID[] = "@velmor.net/ClassCOM;1";
const char ADAPTERCOM_CLASSNAME[] = "My AddInFF";
const nsID ADAPTERCOM_CID = {0x4334af4e, 0x04e4, 0x4280,
                             {0xa2, 0xcb, 0x36, 0xfc, 0x5e, 0x08, 0x1f, 0x62}};
