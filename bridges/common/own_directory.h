#pragma once
// Where a bridge finds the add-in library: in the directory of its own file, which it
// finds among the files mapped into the process by its configured file name.
// own_directory_linux.cpp reads the process's memory map; a Windows build asks for the module
// file name instead.

#include <string>

// The directory of the mapped file whose name is `ownFileName` (a bridge's nameFilePrj), in
// UTF-8 and ending with the path separator; "" when no such file is mapped.
std::string own_directory(const char* ownFileName);
