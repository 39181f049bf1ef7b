// A test configuration of VelmorQuillonIE64 for COM add-ins (kind 1): the add-in library
// beside it is the tests' COM add-in.
#include "bridge_config.h"

const char* const nameFilePrj = "VelmorQuillonIE64.dll";
const char* const nameFileComponent = "ComAddInFixture.dll";
const AddInComponentType typeComponent = eAddInCom;
