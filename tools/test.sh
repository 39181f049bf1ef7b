#!/usr/bin/env bash
# The whole test suite, set-up included: installs what is missing, then builds and tests
# every preset. `tools/test.sh linux64 tsan` runs only the named steps.
set -euo pipefail
cd "$(dirname "$0")/.."

steps=("$@")
[ ${#steps[@]} -gt 0 ] || steps=(linux64 asan tsan)

tools/setup.sh

preset() {  # configure, build and test one preset
    local name=$1
    echo "=== $name"
    cmake --preset "$name" >/dev/null
    cmake --build --preset "$name"
    ctest --preset "$name"
}

for step in "${steps[@]}"; do
    case $step in
        linux64) preset linux64 ;;
        asan) preset linux64-asan ;;
        tsan) preset linux64-tsan ;;
        *) echo "test: unknown step $step" >&2; exit 2 ;;
    esac
done
echo "test: all steps passed (${steps[*]})"
