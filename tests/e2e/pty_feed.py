#!/usr/bin/env python3
"""The simulated scanner: a pseudo-terminal whose slave side the add-in opens as its port.

Prints the slave's path, then for every line on standard input (the bytes to send, in hex)
writes those bytes into the master side and prints "wrote <CLOCK_MONOTONIC ns>" taken just
before the write. Ends when its input ends.
"""
import os
import sys
import termios
import time


def main():
    master, slave = os.openpty()
    # A serial line comes up in canonical mode with echo; nobody reads the echo here, so it
    # is turned off rather than left to fill the master's buffer.
    attrs = termios.tcgetattr(slave)
    attrs[3] &= ~(termios.ECHO | termios.ECHONL)
    termios.tcsetattr(slave, termios.TCSANOW, attrs)
    # The slave stays open here too, so the line keeps its settings between the add-in's
    # opens and closes.
    print(os.ttyname(slave), flush=True)
    for line in sys.stdin:
        data = bytes.fromhex(line.strip())
        stamp = time.monotonic_ns()
        view = memoryview(data)
        while view:
            view = view[os.write(master, view):]
        print(f"wrote {stamp}", flush=True)


if __name__ == "__main__":
    main()
