// Build configuration of QuillonChrCom, a test build of the Chrome host for Windows x86 that
// serves add-ins which are COM objects: the COM add-in of the tests lies beside it.
#include "bridge_config.h"

const char* const nameFilePrj = "QuillonChrCom.exe";
const char* const nameFileComponent = "ComAddInFixture.dll";
const AddInComponentType typeComponent = eAddInCom;
