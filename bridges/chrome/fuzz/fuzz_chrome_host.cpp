// libFuzzer target over the host's message handling: framing and dispatch. Whatever the
// bytes, the host must stay alive, keep its memory bounded by what it was given, and stay
// in step with its framing: it consumes exactly the frames that a plain reading of the
// length prefixes finds, up to the end of the input or a quit message.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame_limits.h"
#include "frame_output.h"
#include "message_loop.h"
#include "object_holder.h"

namespace {

// The end offset of every frame, as a reader that only follows the prefixes sees them; an
// announced length beyond the input ends at the input's end.
std::vector<size_t> frame_ends(const uint8_t* data, size_t size) {
    std::vector<size_t> ends;
    size_t pos = 0;
    while (size - pos >= 4) {
        uint32_t n = 0;
        std::memcpy(&n, data + pos, 4);
        pos += 4;
        pos = size - pos < n ? size : pos + n;
        ends.push_back(pos);
    }
    return ends;
}

void fail(const char* what) {
    std::fprintf(stderr, "fuzz_chrome_host: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Replies go nowhere; what is checked is the host's state, not its answers.
    const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sink < 0) fail("cannot open /dev/null");
    set_output_fd(sink);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryByteSource source(data, size);
    const LoopStats stats = run_message_loop(source);
    const std::vector<size_t> ends = frame_ends(data, size);
    const size_t handled = stats.frames + stats.oversized;

    if (stats.quit) {
        if (handled == 0 || handled > ends.size()) fail("quit outside the frames");
        if (source.consumed() != ends[handled - 1]) fail("out of step at a quit message");
    } else {
        if (handled != ends.size()) fail("frame count differs from the prefixes");
        if (source.consumed() != size) fail("input not read to its end");
    }
    // Every object of this input goes, so that inputs do not pile up objects.
    ObjectHolder::get().clear();
    return 0;
}
