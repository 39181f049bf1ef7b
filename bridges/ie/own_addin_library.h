#pragma once
// The one native add-in library this server loads: the configured add-in file in the
// directory of the server's own module. A site accepts no other, whoever initialises it.

#include <windows.h>

#include <string>

// The add-in file beside the server's own file (found by the server's configured file name).
std::wstring own_addin_library_path();

// True when `path` names exactly that file: compared as full, long paths without regard to
// case, so that separators, "." and ".." segments and short names do not matter. Anything
// else (another folder, a network path, text after an embedded zero) is not it.
bool is_own_addin_library(BSTR path);
