#pragma once
// What a bridge that hands an add-in's callbacks to the page's thread from a timer may take of
// that thread and hold for it. The page's thread belongs to the page: one run hands it
// callbacks for a slice of time and leaves the rest, in order, to the next tick; what waits
// for the page is bounded, so a line that floods the add-in with codes cannot take the
// browser's memory.

#include <chrono>
#include <cstddef>

// How long one run goes on handing callbacks to the page.
constexpr std::chrono::milliseconds kDeliverySlice{20};

// What the callbacks waiting for a page hold at most: a generous backlog (some 200,000 short
// events of a scanner), far beyond what a page that runs its loop ever lets build up. Past it
// a callback is refused, and its sender told.
constexpr size_t kDeliveryQueueBytes = size_t{32} << 20;
