#pragma once
// Where the running browser's program file lies, for the version probe; one source per
// platform. The probe opens files there with the C library, so the text is in the form its
// fopen takes (the ANSI code page on Windows).

#include <string>

// The directory of the process's program file; "" when it cannot be found (the probe then
// leaves the module version as built).
std::string program_directory();
