#pragma once
// The running test browser's main thread, managers and memory service, as the exported
// functions hand them out. Any thread may read them; the test browser installs and removes
// them on the main thread.

#include "component_manager.h"
#include "main_thread.h"
#include "memory_service.h"
#include "nsCOMPtr.h"

namespace xpcom_runtime {

struct RuntimeObjects {
    nsCOMPtr<MainThread> main_thread;
    nsCOMPtr<ComponentManager> manager;
    nsCOMPtr<MemoryService> memory;
};

/// False when a test browser is already installed.
bool install_runtime(const RuntimeObjects& objects);
void remove_runtime();
/// A copy of the installed objects (all null when there is no test browser).
RuntimeObjects current_runtime();

}  // namespace xpcom_runtime
