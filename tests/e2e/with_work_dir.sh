#!/usr/bin/env bash
# Runs a command of the browser scripts with a fresh work directory (VELMOR_E2E_WORK) for
# its profile, HOME and logs. The scripts end what they start; should one die on the way,
# the processes it recorded in the directory's "pids" are ended here, and the directory goes.
set -euo pipefail
work=$(mktemp -d /tmp/velmor-e2e-XXXXXX)
end_all() {
    if [ -f "$work/pids" ]; then
        local pid
        while read -r pid; do
            # A negative id names a process group (the browser's); wait for its leader to go
            # before its profile is removed.
            kill -- "$pid" 2>/dev/null && timeout 10 tail --pid="${pid#-}" -s 0.1 -f /dev/null || true
        done < "$work/pids"
    fi
    rm -rf "$work"
}
trap end_all EXIT
VELMOR_E2E_WORK=$work "$@"
