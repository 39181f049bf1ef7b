#pragma once
// Opening and reading the browser's "application.ini" for the version probe; one source per
// platform. The probe runs while the browser loads the component, so neither waits on what it
// opens (a pipe or a device of that name), and neither throws.

#include <string>

// The longest "application.ini" the probe reads; a longer one counts as unreadable. The
// browser's own file is a few hundred bytes.
const size_t kLongestProbeFile = 1024 * 1024;

// Whether the file at `path` opens for reading.
bool probe_file_opens(const std::string& path);

// The whole content of the file at `path` into `text`; false when it does not open, is not a
// regular file, is longer than kLongestProbeFile or cannot be read.
bool read_probe_file(const std::string& path, std::string& text);
