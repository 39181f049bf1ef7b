#include "program_output.h"

#include <stdio.h>

#include <memory>

namespace velmor_test {

std::string program_output(const std::string& program, const std::string& argument) {
    const std::string command = "'" + program + "' '" + argument + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return "cannot run " + program;
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
    return output;
}

}  // namespace velmor_test
