#!/usr/bin/env bash
# The demo: barcodes from a scanner appear on a web page in headless Chromium, through the
# test extension and the Chrome host, and in this terminal. Sets up a fresh Debian 12
# machine, builds the linux64 preset, then runs.
#   tools/demo.sh [--no-browser] [--screenshot FILE.png] [DEVICE]
# Without DEVICE a simulated scanner (a pty) is fed sample codes; with one, e.g. /dev/ttyUSB0,
# the real scanner's codes are shown until Ctrl-C. --no-browser talks to the host directly
# through its pipes and prints every externalEvent, for machines without Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."

args=()
browser=1
while [ $# -gt 0 ]; do
    case $1 in
        --no-browser) browser=0; args+=(--no-browser) ;;
        --screenshot) [ $# -ge 2 ] || { echo "demo: --screenshot needs a file" >&2; exit 2; }
                      args+=(--screenshot "$(realpath -m "$2")"); shift ;;
        -h|--help) sed -n '2,8s/^# \{0,1\}//p' "$0"; exit 0 ;;
        -*) echo "demo: unknown option $1" >&2; exit 2 ;;
        *)  # the add-in claims only a terminal, and a page cannot tell a refused claim from a
            # taken one: say so here rather than wait for codes that never come
            [ -c "$1" ] || { echo "demo: $1 is not a serial device" >&2; exit 2; }
            args+=(--port "$1") ;;
    esac
    shift
done

if [ $browser -eq 1 ]; then tools/setup.sh base browser; else tools/setup.sh base scripts; fi
cmake --preset linux64 >/dev/null
cmake --build --preset linux64
[ $browser -eq 0 ] || tests/e2e/npm_ci.sh
tests/e2e/with_work_dir.sh node tests/e2e/demo.mjs build/linux64/out "${args[@]}"
