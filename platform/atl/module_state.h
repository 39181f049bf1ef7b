#pragma once
// What every COM object of an in-process server shares: the server's own module handle and
// its lock count (live objects plus LockServer locks), which DllCanUnloadNow reports.

#include <windows.h>

#include <string>

namespace velmor_atl {

void set_module_handle(HMODULE module);  // from DllMain, before anything else runs
HMODULE module_handle();
std::wstring module_path();  // the full path of the server's own file

void module_lock();
void module_unlock();
long module_lock_count();

}  // namespace velmor_atl
