#include "host_entry.h"

#include <string>
#include <vector>

#include "message_loop.h"
#include "object_holder.h"
#include "origin_check.h"
#include "platform.h"

namespace {

const int kOriginRefused = 1;
const int kHostFailed = 2;

// Every object goes, while the whole program is still intact: sites stop their add-ins'
// threads before anything static is torn down.
void release_objects() noexcept {
    try {
        ObjectHolder::get().clear();
    } catch (...) {
    }
}

int run_host(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(argv[i] != nullptr ? argv[i] : "");
    if (!origin_allowed(args, kAllowedOrigin)) return kOriginRefused;

    prepare_standard_streams();

    FdByteSource input(0);  // standard input
    run_message_loop(input);
    release_objects();
    return 0;
}

}  // namespace

int host_main(int argc, char** argv) {
    try {
        return run_host(argc, argv);
    } catch (...) {
        // What one message causes is handled inside the loop; this is memory running out
        // around it (copying the arguments, reading a frame). The host cannot go on.
        release_objects();
        return kHostFailed;
    }
}
