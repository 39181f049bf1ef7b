#!/usr/bin/env bash
# The browser test: a barcode written into a simulated scanner reaches a page in headless
# Chromium through the Chrome host built in the given directory.
#   tests/e2e/run.sh <directory holding VelmorQuillonChrLin64 and VelmorPlovikLin64.so>
# Needs `tools/setup.sh browser`. Prints "N passed, N failed" last; exits non-zero on failure.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -eq 1 ] || { echo "usage: $0 <host directory>" >&2; exit 2; }
host_dir=$(cd "$1" && pwd)

"$here/npm_ci.sh"

work=$(mktemp -d /tmp/velmor-e2e-XXXXXX)
# The test ends what it starts; this catches what is left if it dies on the way.
end_all() {
    if [ -f "$work/pids" ]; then
        while read -r pid; do kill -- "$pid" 2>/dev/null || true; done < "$work/pids"
    fi
    rm -rf "$work"
}
trap end_all EXIT
VELMOR_E2E_WORK=$work node "$here/e2e_test.mjs" "$host_dir"
