#!/usr/bin/env bash
# Installs the pinned Node packages of the browser scripts when they are missing or stale.
set -euo pipefail
cd "$(dirname "$0")"
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
    npm ci --no-audit --no-fund --loglevel=error
fi
