#!/usr/bin/env bash
# The whole test suite, set-up included: installs what is missing, then builds and tests
# every preset. `tools/test.sh linux64 tsan` runs only the named steps.
set -euo pipefail
cd "$(dirname "$0")/.."

all_steps=(linux64 asan tsan linux32 win64 win32 fuzz bench)
steps=("$@")
[ ${#steps[@]} -gt 0 ] || steps=("${all_steps[@]}")

tools/setup.sh

log_dir=build/test-logs
mkdir -p "$log_dir"
passed=0
failed=0

# Adds a runner's closing counts to the totals: ctest's "N% tests passed, F tests failed out
# of T" (less the tests it lists as skipped), or the plain "P passed, F failed" of the other
# runners.
count() {
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+|^[0-9]+ passed, [0-9]+ failed' "$1" | tail -n 1)
    if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        # ctest counts a test that skipped itself among those out of T: it did not run.
        local skipped
        skipped=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$1" || true)
        failed=$((failed + BASH_REMATCH[1]))
        passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1] - skipped))
    elif [[ $line =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
        passed=$((passed + BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[2]))
    fi
}

# Runs a command with its output shown and kept, then counts what it reported.
run() {
    local name=$1
    shift
    local status=0
    "$@" 2>&1 | tee "$log_dir/$name.log" || status=$?
    count "$log_dir/$name.log"
    return $status
}

# Each command's failure is returned explicitly: a caller that tests the status (the Windows
# steps do) turns off set -e inside, and a failed build must not test what an earlier one left.
build() {  # configure and build one preset
    cmake --preset "$1" >/dev/null || return
    cmake --build --preset "$1"
}

preset() {  # configure, build and test one preset
    echo "=== $1"
    build "$1" || return
    run "$1" ctest --preset "$1"
}

# A 32-bit preset's tests need a machine that runs 32-bit programs (Linux x86 ones, and the
# 32-bit Wine loader for Windows x86 ones); elsewhere it is built and its tests are not run.
preset_32bit() {
    if tools/runs_32bit.sh; then
        preset "$1"
        return
    fi
    echo "=== $1"
    build "$1" || return
    echo "$1: built; its tests were not run: this machine's kernel runs no 32-bit programs"
}

for step in "${steps[@]}"; do
    case $step in
        linux64) preset linux64 ;;
        asan) preset linux64-asan ;;
        tsan) preset linux64-tsan ;;
        linux32) preset_32bit linux32 ;;
        win64 | win32)  # tests under Wine in the build's own prefixes, whose servers are stopped after
            status=0
            if [ "$step" = win32 ]; then preset_32bit "$step" || status=$?; else preset "$step" || status=$?; fi
            for prefix in build/"$step"/wine*/; do
                WINEPREFIX=$PWD/$prefix wineserver -k 2>/dev/null || true
            done
            # The Internet Explorer server's figures, from a page under Wine (not a test).
            if [ "$step" = win64 ]; then
                echo "=== win64 bench"
                tools/ie_bench.sh || status=$?
            fi
            [ $status -eq 0 ] ;;
        fuzz)  # the host's message handling under libFuzzer, for a fixed time
            echo "=== fuzz"
            tools/fuzz_chrome_host.sh 60 ;;
        bench)  # figures for the record, measured against baselines in the same run
            echo "=== bench"
            build linux64
            for b in build/linux64/out/*_bench; do "$b"; done ;;
        *) echo "test: unknown step $step" >&2; exit 2 ;;
    esac
done
echo "test: steps ${steps[*]} done"
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
