#pragma once
// Loading a library and resolving its exports by name, as every host does (one file per
// platform behind this interface).

#include <string>

namespace velmor_test {

void* load_library(const std::string& path);
void* find_symbol(void* library, const char* name);
void unload_library(void* library);
std::string last_library_error();

}  // namespace velmor_test
