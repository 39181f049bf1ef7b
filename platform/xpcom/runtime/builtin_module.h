#pragma once
// The test browser's own classes, registered as one module record.

#include "mozilla/Module.h"

namespace xpcom_runtime {

const mozilla::Module& builtin_module();

}  // namespace xpcom_runtime
