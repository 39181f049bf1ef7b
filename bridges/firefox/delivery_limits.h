#pragma once
// What the main-thread delivery may take and hold. The page's thread belongs to the page: one
// delivery run hands it callbacks for a slice of time and leaves the rest, in order, to the
// next tick; what waits for the page is bounded, so a line that floods the add-in with codes
// cannot take the browser's memory.

#include <chrono>
#include <cstddef>

// How long one delivery run goes on handing callbacks to the page.
constexpr std::chrono::milliseconds kDeliverySlice{20};

// What the delivery queue holds at most, and a site's event buffer whatever its depth, as
// counted by pending_record_bytes. Past it a callback is not kept.
constexpr size_t kDeliveryQueueBytes = 32u << 20;
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
