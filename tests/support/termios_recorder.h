#pragma once
// Pseudo-terminals force eight data bits and no parity whatever is asked of them, so the
// line settings that the add-in asks for are recorded on their way to the terminal layer:
// this test program's own tcsetattr stands in front of the C library's.

#include <termios.h>

#include <string>

namespace velmor_test {

// The settings last passed to tcsetattr for the device at `path`; false when none were.
bool requested_settings(const std::string& path, termios* settings);

}  // namespace velmor_test
