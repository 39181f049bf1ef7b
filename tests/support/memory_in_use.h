#pragma once
// How much memory the test process holds now, as far as the platform tells (one source per
// platform): the live heap blocks on Linux, the private commit on Windows. For bounds on
// growth, not for exact accounting.

#include <cstddef>

namespace velmor_test {

size_t memory_in_use();

}  // namespace velmor_test
