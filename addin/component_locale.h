#pragma once
// What SetLocale does on this platform (one implementation file per platform).

#include <cstdint>

void apply_component_locale(const uint16_t* loc);
