#pragma once
// The caller-origin check at start.

#include <string>
#include <vector>

// Copies that drop leading (ltrim), trailing (rtrim) or both (trim) space characters; only
// the space (0x20) counts.
std::string ltrim(const std::string& s);
std::string rtrim(const std::string& s);
std::string trim(const std::string& s);

// The origin that may use the host, fixed at build time (generated from the cmake variable
// VELMOR_ALLOWED_ORIGIN).
extern const char kAllowedOrigin[];

// Whether some argument, trimmed, equals `allowed` exactly.
bool origin_allowed(const std::vector<std::string>& args, const std::string& allowed);
