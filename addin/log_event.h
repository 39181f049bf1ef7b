#pragma once
// The logging hook that every component and reader step calls. It writes nothing: the hook
// is kept so that a build can attach a log without touching the callers.

void log_event(const char* format, ...);
void log_event(const wchar_t* format, ...);
