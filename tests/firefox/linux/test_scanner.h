#pragma once
// The scan tests' scanner on Linux: a pseudo-terminal of their own per scanner.

#include "pty_scanner.h"

namespace velmor_test {

using TestScanner = PtyScanner;
// Scanners that can be used at once.
constexpr int kTestScanners = 2;

}  // namespace velmor_test
