#!/usr/bin/env bash
# Benchmark of a scan's road into the page (see bench.mjs).
#   tests/e2e/bench.sh <host directory> [--scans N]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 <host directory> [--scans N]" >&2; exit 2; }
"$here/npm_ci.sh"
"$here/with_work_dir.sh" node "$here/bench.mjs" "$@"
