#pragma once
// The host's read loop and the dispatch of incoming messages by type.

#include <cstddef>
#include <string>

#include "byte_source.h"
#include "frame_limits.h"

enum LoopStep { eLoopContinue, eLoopQuit };

// Handles one incoming message text: parse, classify, dispatch. Never throws; whatever the
// text, the host stays in a state to read the next frame.
LoopStep handle_message(const std::string& text);

struct LoopStats {
    size_t frames = 0;     // frames handled as messages
    size_t oversized = 0;  // frames skipped for their announced length
    bool quit = false;     // the loop ended on a quit message
};

// Reads and handles frames until a quit message or the end of the input.
LoopStats run_message_loop(IByteSource& input, uint32_t maxMessage = kMaxIncomingMessage);
