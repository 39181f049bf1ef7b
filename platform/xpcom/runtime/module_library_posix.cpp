// Component libraries on POSIX systems. Every symbol is bound at load (RTLD_NOW), so a
// browser function the component needs and the runtime lacks is reported when loading, not
// as a crash later.

#include <dlfcn.h>

#include "module_library.h"

namespace xpcom_runtime {

void* open_library(const std::string& path, std::string& error) {
    dlerror();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        error = reason ? reason : "cannot load " + path;
    }
    return library;
}

void* library_symbol(void* library, const char* name) { return dlsym(library, name); }

void close_library(void* library) { dlclose(library); }

}  // namespace xpcom_runtime
