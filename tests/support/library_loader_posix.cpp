#include <dlfcn.h>

#include "library_loader.h"

namespace velmor_test {

void* load_library(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* hold_loaded_library(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
}

void* find_symbol(void* library, const char* name) { return dlsym(library, name); }

void unload_library(void* library) { dlclose(library); }

std::string last_library_error() {
    const char* error = dlerror();
    return error != nullptr ? error : "";
}

}  // namespace velmor_test
