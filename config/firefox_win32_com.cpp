// A test configuration of VelmorQuillonFFWin32 for COM add-ins (kind 1): the add-in library
// beside it is the tests' COM add-in.
#include "firefox_config.h"
#include "firefox_config_com.h"

const char* const nameFilePrj = "VelmorQuillonFFWin32.dll";
const char* const nameFileComponent = "ComAddInFixture.dll";
const AddInComponentType typeComponent = eAddInCom;

#include "firefox_registration.inc"
#include "firefox_registration_com.inc"
