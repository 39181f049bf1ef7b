#pragma once
// The directory of one of the process's own files (a bridge's program or library), where its
// add-in library lies. One implementation per platform.

#include <string>

// The directory of the loaded file whose name is `ownFileName`, in UTF-8 and ending with the
// path separator; "" when it cannot be found.
std::string own_directory(const char* ownFileName);
