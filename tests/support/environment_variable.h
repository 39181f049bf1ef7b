#pragma once
// Setting and removing an environment variable of the test process, where libraries it loaded
// read it too (one source per platform).

namespace velmor_test {

void set_environment(const char* name, const char* value);
void unset_environment(const char* name);

}  // namespace velmor_test
