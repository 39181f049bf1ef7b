#include "component_locale.h"

#include <clocale>

// The Windows component always works in the Russian locale of the C runtime, whatever locale
// the host names.
void apply_component_locale(const uint16_t*) { setlocale(LC_ALL, "rus_RUS"); }
