#include "host_globals.h"

std::string g_version;
std::string g_userAgent;
