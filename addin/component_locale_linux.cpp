#include "component_locale.h"

// The Linux component keeps the host's locale untouched.
void apply_component_locale(const uint16_t*) {}
