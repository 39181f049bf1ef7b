#!/usr/bin/env bash
# Runs one page test, a page host command (tools/wine_run.sh --plain ... ie_page_host ...).
#   page_run.sh COMMAND...
#       passes only when the host printed "page: PASS" (it does so once the page is torn down)
#       and then exited 0: a host that faults while or after tearing the page down fails.
#   page_run.sh --reports-teardown-fault COMMAND...
#       this runner's own check, for a host run with --fault-at-teardown: passes only when the
#       page itself passed and the run above failed all the same.
set -uo pipefail

# Runs the command with its output shown; sets `rc` to its exit status and `found` to 0 when
# a line of its output starts with PATTERN.
run_and_find() {
    local pattern=$1 output
    shift
    output=$(mktemp)
    "$@" 2>&1 | tee "$output"
    rc=${PIPESTATUS[0]}
    grep -q "^$pattern" "$output"
    found=$?
    rm -f "$output"
}

fail() {
    echo "page_run: $*" >&2
    exit 1
}

if [ "${1:-}" = --reports-teardown-fault ]; then
    shift
    run_and_find 'page: log the page passed' "$0" "$@"
    [ $found -eq 0 ] || fail "the page did not pass, so its teardown was never reached"
    [ $rc -ne 0 ] || fail "a page whose host faulted at teardown passed"
    echo "page_run: the teardown fault failed the page, as it should"
    exit 0
fi

run_and_find 'page: PASS' "$@"
[ $rc -eq 0 ] || fail "the page host exited with $rc"
[ $found -eq 0 ] || fail "the page host exited 0 without its \"page: PASS\" line"
exit 0
