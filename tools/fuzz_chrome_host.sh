#!/usr/bin/env bash
# Builds the Chrome host's libFuzzer target (clang, ASan+UBSan, its own build folder) and runs
# it for a fixed time over framing, dispatch, sites, the adapter and the add-in, which is built
# beside the fuzz binary.
#   tools/fuzz_chrome_host.sh [seconds]      (default 60)
# Environment: FUZZ_BUILD_DIR (default build/fuzz-chrome), FUZZ_JOBS (parallel workers, 1).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=$(realpath -m "${FUZZ_BUILD_DIR:-build/fuzz-chrome}")
jobs=${FUZZ_JOBS:-1}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMOR_TESTS=OFF -DVELMOR_BENCH=OFF -DVELMOR_FUZZ=ON \
    "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
    "-DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link,address,undefined" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target fuzz_chrome_host

work="$build/fuzz-work"
corpus="$work/corpus"
mkdir -p "$corpus" "$work/artifacts"

# Seeds: a few well-formed conversations, as frames (4-byte little-endian length + text).
frame() {  # text -> frame bytes on stdout
    local text=$1 n=${#1}
    printf "\\x$(printf %02x $((n & 255)))\\x$(printf %02x $(((n >> 8) & 255)))\\x$(printf %02x $(((n >> 16) & 255)))\\x$(printf %02x $(((n >> 24) & 255)))"
    printf '%s' "$text"
}
# The add-in lies beside the fuzz binary, so loadAddIn makes real sites.
{ frame '{"type":0,"version":"8.3","userAgent":"UA"}'
  frame '{"type":2,"cls_id":0,"query_id":7,"method":"init","params":[]}'
  frame '{"type":4,"create":"AddInServiceEx","query_id":3}'
  frame '{"type":2,"cls_id":0,"query_id":8,"method":"loadAddIn","params":["Dev","x"]}'
  frame '{"type":2,"cls_id":0,"query_id":9,"method":"createInstance","params":["Dev.Scandor"]}'
  frame '{"type":2,"cls_id":2,"query_id":10,"method":"setPropertyValue","params":["Port","none"]}'
  frame '{"type":2,"cls_id":2,"query_id":11,"method":"setPropertyValue","params":["Speed",19200]}'
  frame '{"type":2,"cls_id":2,"query_id":12,"method":"getPropertyValue","params":["Speed"]}'
  frame '{"type":2,"cls_id":2,"query_id":13,"method":"callExt","params":["Close",1]}'
  frame '{"type":8,"cls_id":2,"query_id":14,"property":"Port"}'
  frame '{"type":6,"cls_id":2,"property":"Port","value":"x"}'
  frame '{"type":2,"cls_id":2,"query_id":15,"method":"done","params":[]}'
  frame '{"type":10,"cls_id":2}'
  frame '{"type":2,"cls_id":0,"query_id":16,"method":"createInstance","params":["Dev.Scandor"]}'
  frame '{"type":12}'; } > "$corpus/seed-conversation"
{ frame '{"type":0}'
  frame '{"type":2,"method":"setLocale","params":["ru_RU"]}'
  frame '{"type":2,"method":"loadAddIn","params":["","x"]}'
  frame '{"type":2,"method":"createInstance","params":["Scandor"]}'
  frame '{"type":2,"cls_id":1,"method":"setPropertyValue","params":["\u0418\u043c\u044f\u0421\u043e\u0431\u044b\u0442\u0438\u044f","E"]}'
  frame '{"type":2,"cls_id":1,"method":"getPropertyValue","params":["EventName"]}'
  frame '{"type":2,"method":"releaseObject","params":[1]}'
  frame '{"type":2,"method":"releaseObject","params":[0]}'; } > "$corpus/seed-release"

cat > "$work/host.dict" <<'DICT'
"\"type\""
"\"cls_id\""
"\"query_id\""
"\"method\""
"\"params\""
"\"properties\""
"\"property\""
"\"value\""
"\"create\""
"\"version\""
"\"userAgent\""
"\"AddInServiceEx\""
"\"init\""
"\"loadAddIn\""
"\"createInstance\""
"\"releaseObject\""
"\"setLocale\""
"\"getPropertyValue\""
"\"setPropertyValue\""
"\"callExt\""
"\"done\""
"\"Dev.Scandor\""
"\"Scandor\""
"\"Port\""
"\"Speed\""
"\"DataBits\""
"\"Parity\""
"\"StopBits\""
"\"StopChar\""
"\"EventName\""
"\"EventDescription\""
"\"Close\""
"\xff\xff\xff\xff"
"\x00\x00\x00\x00"
DICT

# Memory limits. -malloc_limit_mb fails any single allocation of the host above 256 MB,
# however long the run. The resident size also holds libFuzzer's own bookkeeping (its corpus,
# coverage and allocator caches), which keeps growing with the run: within CI's minute it is
# small enough that 512 MB bounds the host, but a longer run would stop at that limit with a
# false out-of-memory, so longer runs leave the resident size unbounded (0).
rss_limit=512
if (( seconds > 60 )); then rss_limit=0; fi

echo "fuzz_chrome_host: running for ${seconds}s (rss limit ${rss_limit} MB, malloc limit 256 MB)"
# A small quarantine keeps the process's resident size close to the host's own memory.
# From the work folder: libFuzzer writes its per-job logs into the current directory.
cd "$work"
ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32:detect_leaks=1} \
"$build/out/fuzz_chrome_host" "$corpus" \
    -dict="$work/host.dict" \
    -max_total_time="$seconds" \
    -max_len=65536 -rss_limit_mb="$rss_limit" -malloc_limit_mb=256 -timeout=10 \
    -jobs="$jobs" -workers="$jobs" \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1
