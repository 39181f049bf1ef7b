#pragma once
// The locale a bridge hands to an add-in that was given none: the LANG environment variable
// when it is set, else the name of the C library's current locale; used unchanged, in UTF-8.

#include <string>

std::string environment_locale();
