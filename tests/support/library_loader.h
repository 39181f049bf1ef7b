#pragma once
// Loading a library and resolving its exports by name, as every host does (one file per
// platform behind this interface).

#include <string>

namespace velmor_test {

void* load_library(const std::string& path);
// One more reference to the library at `path` when it is already loaded, else null (it is not
// loaded by this); give it back with unload_library.
void* hold_loaded_library(const std::string& path);
void* find_symbol(void* library, const char* name);
void unload_library(void* library);
std::string last_library_error();

}  // namespace velmor_test
