#include "own_directory.h"

#include <cstring>
#include <fstream>

namespace {

const char kMapsFile[] = "/proc/self/smaps";
// What the kernel appends to the path of a mapped file that has been removed or replaced
// since (a host updated while it runs); the directory is still the right one.
const char kDeletedSuffix[] = " (deleted)";

// A mapping's line: "start-end perms offset dev inode", white space, then the path, which
// may itself hold blanks. The other lines of the file ("Rss:   4 kB") have no path field.
// Returns the path field, or "" when the line is not a mapping's line or names no file.
std::string mapping_path(const std::string& line) {
    size_t pos = 0;
    for (int field = 0; field < 5; ++field) {
        const size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') ++pos;
        if (pos == start) return std::string();
        if (field == 0) {
            // The address range: hexadecimal digits around one '-'.
            const std::string range = line.substr(start, pos - start);
            const size_t dash = range.find('-');
            if (dash == std::string::npos || dash == 0 ||
                range.find_first_not_of("0123456789abcdefABCDEF-") != std::string::npos) {
                return std::string();
            }
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    }
    return line.substr(pos);
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The directory of `path` (with its separator) when its file name is `name`, else "".
std::string directory_if_named(const std::string& path, const std::string& name) {
    const std::string suffix = "/" + name;
    if (!ends_with(path, suffix)) return std::string();
    return path.substr(0, path.size() - name.size());
}

}  // namespace

std::string own_directory(const char* ownFileName) {
    if (ownFileName == nullptr || *ownFileName == 0) return std::string();
    std::ifstream maps(kMapsFile);
    if (!maps) return std::string();
    const std::string name(ownFileName);
    std::string line;
    std::string deleted;
    while (std::getline(maps, line)) {
        const std::string path = mapping_path(line);
        if (path.empty() || path[0] != '/') continue;
        const std::string directory = directory_if_named(path, name);
        if (!directory.empty()) return directory;
        if (deleted.empty() && ends_with(path, kDeletedSuffix)) {
            deleted = directory_if_named(path.substr(0, path.size() - std::strlen(kDeletedSuffix)),
                                         name);
        }
    }
    return deleted;
}
