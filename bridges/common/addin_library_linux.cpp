#include "addin_library.h"

#include <dlfcn.h>

HMODULE open_library(const std::string& utf8Path) { return ::dlopen(utf8Path.c_str(), RTLD_LAZY); }

void* library_symbol(HMODULE lib, const char* name) {
    return lib == nullptr ? nullptr : ::dlsym(lib, name);
}

void close_library(HMODULE lib) {
    if (lib != nullptr) ::dlclose(lib);
}
