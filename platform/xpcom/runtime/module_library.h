#pragma once
// Opening a component library and finding its exports (one file per platform).

#include <string>

namespace xpcom_runtime {

/// The library's handle, or null with the reason in `error`.
void* open_library(const std::string& path, std::string& error);
void* library_symbol(void* library, const char* name);
void close_library(void* library);

}  // namespace xpcom_runtime
