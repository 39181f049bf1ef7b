// Build configuration of the fuzz target: the Chrome host's, with the fuzz binary as the
// host's own file, so that the add-in is loaded from beside it.
#include "bridge_config.h"

const char* const nameFilePrj = "fuzz_chrome_host";
const char* const nameFileComponent = VELMOR_FUZZ_ADDIN_FILE;
const AddInComponentType typeComponent = eAddInNative;
