// The library's load-time hook on Linux: a constructor that runs the version probe before
// the browser reads the module table.
#include "version_probe.h"

namespace {

__attribute__((constructor)) void init() { init_version(); }

}  // namespace
