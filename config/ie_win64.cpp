// Build configuration of VelmorQuillonIE64, the Internet Explorer server for Windows x64.
#include "bridge_config.h"

const char* const nameFilePrj = "VelmorQuillonIE64.dll";
const char* const nameFileComponent = "VelmorPlovikWin64.dll";
const AddInComponentType typeComponent = eAddInNative;
