#include "memory_in_use.h"

#include <windows.h>
#include <psapi.h>

namespace velmor_test {

size_t memory_in_use() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
        return 0;
    }
    return counters.PrivateUsage;
}

}  // namespace velmor_test
