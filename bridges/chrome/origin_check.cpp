#include "origin_check.h"

std::string ltrim(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string rtrim(const std::string& s) {
    const size_t last = s.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

std::string trim(const std::string& s) { return ltrim(rtrim(s)); }

bool origin_allowed(const std::vector<std::string>& args, const std::string& allowed) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (trim(args[i]) == allowed) return true;
    }
    return false;
}
