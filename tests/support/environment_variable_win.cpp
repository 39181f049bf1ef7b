#include <stdlib.h>

#include "environment_variable.h"

namespace velmor_test {

// The C library's copy, which getenv in every module on that library reads.
void set_environment(const char* name, const char* value) { ::_putenv_s(name, value); }
void unset_environment(const char* name) { ::_putenv_s(name, ""); }

}  // namespace velmor_test
