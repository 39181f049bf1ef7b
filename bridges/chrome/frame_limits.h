#pragma once
// The named limits of the host's framing.

#include <cstddef>
#include <cstdint>

// An outgoing text of n bytes goes out as one frame when n + 1 <= kMaxFrameTextPlusOne.
constexpr size_t kMaxFrameTextPlusOne = 1048566;  // 0xFFFF6
constexpr size_t kMaxFrameText = kMaxFrameTextPlusOne - 1;
// The nominal size of the pieces of a chunked text.
constexpr size_t kChunkPieceSize = 946176;  // 0xE7000
// The largest incoming message that the host reads. Chrome itself sends at most 64 MiB to a
// native host; a frame announcing more is skipped (its bytes are read and dropped, which
// keeps the stream in step) instead of being allocated.
constexpr uint32_t kMaxIncomingMessage = 64u * 1024u * 1024u;
// After a message larger than this the read buffer is given back, so that one large message
// does not keep its memory for the rest of the run.
constexpr size_t kKeptReadBuffer = 1024 * 1024;
