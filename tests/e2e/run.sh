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

"$here/with_work_dir.sh" node "$here/e2e_test.mjs" "$host_dir"
