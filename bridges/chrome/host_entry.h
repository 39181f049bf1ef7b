#pragma once
// The program: origin check, then the message loop on standard input.

// Returns the exit status: 1 when no argument is the allowed origin, 0 when the loop ends,
// 2 when the host could not go on (something failed outside the handling of a message).
int host_main(int argc, char** argv);
