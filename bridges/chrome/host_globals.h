#pragma once
// The program's globals: the page's version and user agent from its init message.

#include <string>

extern std::string g_version;
extern std::string g_userAgent;
