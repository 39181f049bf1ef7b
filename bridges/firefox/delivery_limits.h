#pragma once
// What the main-thread delivery may take and hold beyond the slice and the queue's bound of
// every page delivery (page_delivery.h): a site's event buffer, and how a kept record counts.

#include <cstddef>

#include "page_delivery.h"

// What a site's event buffer holds at most whatever its depth, as counted by
// pending_record_bytes. Past it an event is not kept there.
constexpr size_t kEventBufferBytes = 4u << 20;

// The allocator's share of each block: its header and rounding.
constexpr size_t kBlockOverhead = 32;

// What a kept record of `record` bytes with three texts of these lengths (in 16-bit units)
// is counted as: the record's block and each text's terminated block.
constexpr size_t pending_record_bytes(size_t record, size_t first, size_t second,
                                      size_t third) {
    return record + kBlockOverhead +
           (first + second + third + 3) * sizeof(char16_t) + 3 * kBlockOverhead;
}
