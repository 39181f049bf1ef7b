#include "program_directory.h"

#include <windows.h>

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

// Where the folder part of `file` ends: after its last separator (a backslash, a slash, or
// the colon of a drive); 0 when it has none. The walk steps over double-byte characters of the
// ANSI code page whole, as their second byte may look like a backslash. Unlike _splitpath,
// no part of the path has a length limit.
size_t folder_end(const std::string& file) {
    size_t end = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        const char c = file[i];
        if (::IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < file.size()) {
            ++i;
        } else if (c == '\\' || c == '/' || c == ':') {
            end = i + 1;
        }
    }
    return end;
}

}  // namespace

std::string program_directory() {
    // The drive and the folder without the file name: the folder keeps its trailing
    // backslash.
    const std::string file = program_file_name();
    return file.substr(0, folder_end(file));
}
