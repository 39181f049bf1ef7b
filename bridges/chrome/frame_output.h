#pragma once
// The host's output stream: every frame, a length prefix and the text, is written
// whole under one process-wide lock, so frames from the message thread and from an add-in's
// reader thread never interleave.

#include <mutex>
#include <string>

// The output lock. It lives from first use until the process ends (it is never destroyed),
// so a reader thread may still write while the last scriptable object goes away.
std::mutex& output_mutex();

// Where frames go: standard output (1) unless a test, benchmark or fuzz target says otherwise.
void set_output_fd(int fd);
int output_fd();

// Writes one frame (the prefix, then the text) under the output lock. A final line feed of
// the text goes out as the platform's line end (message_line_end(), platform.h); the prefix
// holds the number of bytes that follow it. Write errors are not reported; interrupted and
// partial writes are completed. Returns the number of bytes after the prefix.
int write_frame(const std::string& text);
// The same for a caller that already holds the output lock.
int write_frame_locked(const std::string& text);
