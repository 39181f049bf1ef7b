#include "probe_program.h"

#include <cstring>

#include "program_output.h"

namespace velmor_test {

std::string run_probe(const std::string& program) {
    return program_output(program, VELMOR_FIREFOX_COMPONENT);
}

std::string install_probe(const TempFolder& folder, const std::string& name) {
    const std::string program = folder.copyIn(VELMOR_PROBE_PROGRAM, name + VELMOR_PROGRAM_SUFFIX);
    const std::string directory = name.find('/') != std::string::npos
                                      ? name.substr(0, name.rfind('/') + 1)
                                      : std::string();
    if (std::strlen(VELMOR_RUNTIME_BESIDE) > 0 &&
        folder.copyIn(VELMOR_RUNTIME_BESIDE, directory + VELMOR_RUNTIME_BESIDE_NAME).empty()) {
        return std::string();
    }
    return program;
}

std::string probe_line(unsigned version) {
    return "version=" + std::to_string(version) + " loaded=00000000 service=00000000 module_refs=1\n";
}

}  // namespace velmor_test
