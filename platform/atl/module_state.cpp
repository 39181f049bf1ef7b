#include "module_state.h"

#include <atomic>

namespace velmor_atl {

namespace {
std::atomic<HMODULE> g_module{nullptr};
std::atomic<long> g_lockCount{0};
constexpr DWORD kLongPath = 32768;
}  // namespace

void set_module_handle(HMODULE module) { g_module = module; }
HMODULE module_handle() { return g_module; }

std::wstring module_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(g_module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= kLongPath) return std::wstring();
        path.resize(path.size() * 2);
    }
}

void module_lock() { ++g_lockCount; }
void module_unlock() { --g_lockCount; }
long module_lock_count() { return g_lockCount; }

}  // namespace velmor_atl
