#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, for CTest (CMAKE_CROSSCOMPILING_EMULATOR).
#   wine_run.sh [--plain | --native] PREFIX PROGRAM [ARGS...]
# PREFIX is made on first use (serialised by a lock, so parallel tests share one boot).
# WINE_RUN_PORTS="COM5=/dev/pts/3 ..." maps COM ports to devices first; the server is then
# stopped before this script ends, while the devices' other ends still exist.
# Without --plain the program must be a GoogleTest program, and it passes only when its own
# output shows that tests ran: a program Wine cannot start may exit 0 having printed nothing.
# --native runs a GoogleTest program of this machine in that same set-up (prefix, ports,
# environment): a Linux test that starts Windows programs itself.
set -uo pipefail

check_gtest=1
runner=(wine)
case "${1:-}" in
    --plain) check_gtest=0; shift ;;
    --native) runner=(); shift ;;
esac
[ $# -ge 2 ] || { echo "usage: wine_run.sh [--plain | --native] PREFIX PROGRAM [ARGS...]" >&2; exit 2; }
prefix=$(realpath -m "$1")
shift

# A kernel that runs no 32-bit programs cannot start Debian's default (32-bit) loader: the
# 64-bit one serves then, which runs the 64-bit programs (tools/wine64/wine).
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export PATH="$(dirname "$(realpath "$0")")/wine64:$PATH"
fi

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# A prefix counts as booted once a program has run in it: a boot cut short can leave the
# registry without the system's libraries ("could not load kernel32.dll"), and every later
# run would fail the same way. Such a prefix is made again; what Wine said is shown when no
# boot takes.
booted_mark=$prefix/.booted
prefix_runs() { [ -f "$prefix/system.reg" ] && wine cmd /c exit 0; }
# Only a folder that Wine made (or an empty one, or none) is ever removed and made again.
wine_made() {
    [ ! -e "$prefix" ] || [ -z "$(ls -A "$prefix")" ] || [ -e "$prefix/drive_c" ] || [ -f "$prefix/system.reg" ]
}
boot_prefix() {
    local log=$prefix.boot.log attempt
    wine_made || { echo "wine_run: $prefix is not a Wine prefix" >&2; return 1; }
    : >"$log"
    for attempt in 0 1 2 3; do
        if [ $attempt -gt 0 ]; then  # attempt 0 takes a whole prefix made before the mark
            wineserver -k 2>/dev/null
            wineserver -w
            rm -rf "$prefix"
            { wineboot -i; wineserver -w; } >"$log" 2>&1
        fi
        prefix_runs >>"$log" 2>&1 && { touch "$booted_mark"; return 0; }
        [ $attempt -eq 0 ] || echo "wine_run: boot $attempt of $prefix failed" >&2
    done
    sed 's/^/wine_run: boot: /' "$log" >&2
    return 1
}

mkdir -p "$(dirname "$prefix")"
(
    flock 9
    [ -f "$booted_mark" ] || boot_prefix
) 9>"$prefix.lock" || exit 1

if [ -n "${WINE_RUN_PORTS:-}" ]; then
    for mapping in $WINE_RUN_PORTS; do
        wine reg add 'HKLM\Software\Wine\Ports' /v "${mapping%%=*}" /t REG_SZ /d "${mapping#*=}" /f \
            >/dev/null 2>&1 || { echo "wine_run: could not map $mapping" >&2; exit 1; }
    done
    # The port devices are made when the server starts: restart it with the new mapping.
    wineserver -k
    wineserver -w
fi

stop_server() { wineserver -k 2>/dev/null; wineserver -w; }

if [ $check_gtest -eq 0 ]; then
    wine "$@"
    rc=$?
    [ -z "${WINE_RUN_PORTS:-}" ] || stop_server
    exit $rc
fi

output=$(mktemp)
ran=1
if [[ " $* " == *" --gtest_list_tests "* ]]; then
    # Test discovery reads this listing: keep Wine's own messages out of it.
    "${runner[@]}" "$@" | tr -d '\r' | tee "$output"
    rc=${PIPESTATUS[0]}
    grep -q '^[^ ].*\.$' "$output" || ran=0
else
    "${runner[@]}" "$@" 2>&1 | tr -d '\r' | tee "$output"
    rc=${PIPESTATUS[0]}
    [ -z "${WINE_RUN_PORTS:-}" ] || stop_server
    grep -Eq '^\[==========\] [1-9][0-9]* tests? from .* ran\.' "$output" &&
        grep -q '^\[  PASSED  \]' "$output" || ran=0
fi
rm -f "$output"
if [ $rc -eq 0 ] && [ $ran -eq 0 ]; then
    echo "wine_run: $1 exited 0 but its output does not show that any test ran" >&2
    exit 1
fi
exit $rc
