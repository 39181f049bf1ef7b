#pragma once
// Runs a program of this build with one argument and returns what it wrote on its standard
// output and error, for tests of what a program does at start (one source per platform).

#include <string>

namespace velmor_test {

std::string program_output(const std::string& program, const std::string& argument);

}  // namespace velmor_test
