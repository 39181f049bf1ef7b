#include "program_directory.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

namespace {

const size_t BUF_SIZE = 1024;
// No Windows path is longer than this.
const size_t kLongestPath = 32768;

// The program's file name in the ANSI code page. The buffer grows until the name fits: a
// name cut at the buffer's end would send the probe to the wrong folder.
std::string program_file_name() {
    std::vector<char> buffer(BUF_SIZE, 0);
    for (;;) {
        const DWORD got = ::GetModuleFileNameA(nullptr, buffer.data(),
                                               static_cast<DWORD>(buffer.size()));
        if (got == 0) return std::string();
        if (got < buffer.size()) return std::string(buffer.data(), got);
        if (buffer.size() >= kLongestPath) return std::string();
        buffer.assign(buffer.size() * 2, 0);
    }
}

}  // namespace

std::string program_directory() {
    const std::string file = program_file_name();
    if (file.empty()) return std::string();
    // The drive and the folder, rebuilt without the file name: the folder keeps its
    // trailing backslash. The C library splits by the code page's characters (a second byte
    // of a double-byte character may look like a backslash). No part is longer than the whole,
    // so buffers of the name's size cannot overflow.
    std::vector<char> drive(file.size() + 1), folder(file.size() + 1), name(file.size() + 1),
        extension(file.size() + 1);
    ::_splitpath(file.c_str(), drive.data(), folder.data(), name.data(), extension.data());
    std::vector<char> directory(file.size() + 2);
    ::_makepath(directory.data(), drive.data(), folder.data(), nullptr, nullptr);
    return directory.data();
}
