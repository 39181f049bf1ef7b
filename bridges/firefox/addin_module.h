#pragma once
// The component's module record, read by the browser through NSModule (or NSGetModule).

#include "mozilla/Module.h"

extern mozilla::Module kAddInModule;

// The version probe's result: what the browser finds in the record's version field.
void set_module_version(unsigned version);
