#!/usr/bin/env bash
# The Internet Explorer server's figures under Wine (bench/ie_page_bench.js), from the win64
# build: a page scans through a COM port mapped to a pseudo-terminal. Prints the figures;
# fails when the page does not pass (a scan lost or out of order).
set -uo pipefail
cd "$(dirname "$0")/.."
build=build/win64
output=$("$build/tests/addin/windows/pty_relay" COM5 COM6 COM7 -- \
    tools/wine_run.sh --plain "$build/wine-ie" "$build/out/ie_page_host.exe" 180 \
    tests/ie/pages/common.js bench/ie_page_bench.js 2>&1 | tr -d '\r')
grep -E '^(bench|page):' <<<"$output"
WINEPREFIX=$PWD/$build/wine-ie wineserver -k 2>/dev/null || true
grep -q '^page: PASS' <<<"$output"
