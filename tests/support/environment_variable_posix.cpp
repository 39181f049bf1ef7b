#include <stdlib.h>

#include "environment_variable.h"

namespace velmor_test {

void set_environment(const char* name, const char* value) { ::setenv(name, value, 1); }
void unset_environment(const char* name) { ::unsetenv(name); }

}  // namespace velmor_test
