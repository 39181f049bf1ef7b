// The Chrome native-messaging host program.
#include "host_entry.h"

int main(int argc, char** argv) { return host_main(argc, argv); }
