// A test configuration of the component for Windows x64 with COM add-ins (kind 1): that build
// exists for the tests of its COM adapter alone, with the tests' COM add-in beside it.
#include "firefox_config.h"
#include "firefox_config_com.h"

const char* const nameFilePrj = "VelmorQuillonFFWin64.dll";
const char* const nameFileComponent = "ComAddInFixture.dll";
const AddInComponentType typeComponent = eAddInCom;

#include "firefox_registration.inc"
#include "firefox_registration_com.inc"
