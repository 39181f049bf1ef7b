#include "host_entry.h"

#include <string>
#include <vector>

#include "message_loop.h"
#include "object_holder.h"
#include "origin_check.h"
#include "platform.h"

int host_main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(argv[i] != nullptr ? argv[i] : "");
    if (!origin_allowed(args, kAllowedOrigin)) return 1;

    prepare_standard_streams();

    FdByteSource input(0);  // standard input
    run_message_loop(input);
    // Every object goes now, while the whole program is still intact: sites stop their
    // add-ins' threads before anything static is torn down.
    ObjectHolder::get().clear();
    return 0;
}
