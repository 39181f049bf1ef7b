#pragma once
// The browser version probe: when the component is loaded it reads the running browser's
// major version from the "application.ini" beside the browser's program file and writes the
// matching module version into the module table, so that one build serves several browsers.

#include <string>

// Completes `dirty_path` (a directory) to the path of "application.ini" in it and returns
// true when that file can be opened; otherwise returns false and leaves `dirty_path` alone.
bool find_file(std::string& dirty_path);
// The major version from the file: the digits between the first "Version=" and the next ".",
// read as strtol reads them; 6 when the file does not open, cannot be read (not a regular
// file, too long, a read error) or has no such version.
unsigned get_version_form_file(const std::string& path);
// Maps a major version to the module version (4 -> 1, 5 -> 2, others unchanged) and stores it
// in the module table.
void correct_version(unsigned version_from_file);
// The whole probe; the module table keeps its built version when the program's directory or
// its "application.ini" cannot be found.
void init_version();
