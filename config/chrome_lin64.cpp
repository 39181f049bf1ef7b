// Build configuration of VelmorQuillonChrLin64, the Chrome host for Linux x86-64.
#include "bridge_config.h"

const char* const nameFilePrj = "VelmorQuillonChrLin64";
const char* const nameFileComponent = "VelmorPlovikLin64.so";
const AddInComponentType typeComponent = eAddInNative;
