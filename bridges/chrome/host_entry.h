#pragma once
// The program: origin check, then the message loop on standard input.

// Returns the exit status: 1 when no argument is the allowed origin, 0 when the loop ends.
int host_main(int argc, char** argv);
