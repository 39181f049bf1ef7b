#include "log_event.h"

void log_event(const char*, ...) {}
void log_event(const wchar_t*, ...) {}
