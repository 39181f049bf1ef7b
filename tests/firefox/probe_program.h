#pragma once
// The stand-in browser program of the version probe tests: installed into a folder of a test's
// making, run there, and what it prints.

#include <string>

#include "temp_folder.h"

namespace velmor_test {

// Runs the stand-in program at `program` and returns what it printed.
std::string run_probe(const std::string& program);

// The stand-in program copied to `name` in `folder`, with what it needs beside it (on Windows
// the browser's XPCOM library, which it imports); "" on failure.
std::string install_probe(const TempFolder& folder, const std::string& name);

// What the program prints for a module of `version` that the browser loads.
std::string probe_line(unsigned version);

}  // namespace velmor_test
