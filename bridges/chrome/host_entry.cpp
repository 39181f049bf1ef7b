#include "host_entry.h"

#include <csignal>
#include <string>
#include <vector>

#include <unistd.h>

#include "message_loop.h"
#include "object_holder.h"
#include "origin_check.h"

int host_main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(argv[i] != nullptr ? argv[i] : "");
    if (!origin_allowed(args, kAllowedOrigin)) return 1;

    // A browser that went away must not kill the host in the middle of a write; the host
    // ends when its input ends.
    std::signal(SIGPIPE, SIG_IGN);

    FdByteSource input(STDIN_FILENO);
    run_message_loop(input);
    // Every object goes now, while the whole program is still intact: sites stop their
    // add-ins' threads before anything static is torn down.
    ObjectHolder::get().clear();
    return 0;
}
