#include "termios_recorder.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <map>
#include <mutex>

namespace velmor_test {
namespace {

std::mutex g_mutex;
std::map<dev_t, termios> g_requested;

dev_t device_of(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 ? st.st_rdev : 0;
}

}  // namespace

bool requested_settings(const std::string& path, termios* settings) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_requested.find(st.st_rdev);
    if (it == g_requested.end()) return false;
    *settings = it->second;
    return true;
}

}  // namespace velmor_test

// Exported from the test program (ENABLE_EXPORTS), so the loaded add-in binds to it.
extern "C" int tcsetattr(int fd, int optional_actions, const termios* settings) {
    using Real = int (*)(int, int, const termios*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "tcsetattr"));
    {
        std::lock_guard<std::mutex> lock(velmor_test::g_mutex);
        velmor_test::g_requested[velmor_test::device_of(fd)] = *settings;
    }
    return real(fd, optional_actions, settings);
}
