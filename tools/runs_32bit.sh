#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 programs: a kernel built without IA-32 emulation
# refuses them ("Exec format error"), so neither the linux32 tests nor any program under
# 32-bit Wine can run there.
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'int main(void) { return 0; }\n' >"$dir/probe.c"
cc -m32 "$dir/probe.c" -o "$dir/probe" 2>/dev/null && "$dir/probe" 2>/dev/null
