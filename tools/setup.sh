#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, from Debian's archive. Idempotent:
# it asks apt only for what is missing, so a second run does nothing.
#   tools/setup.sh [group...]   groups: base windows linux32 browser scripts (default: all)
set -euo pipefail

declare -A GROUPS_PACKAGES=(
    [base]="build-essential cmake ninja-build pkg-config git openssl xxd
            libgtest-dev libgmock-dev googletest libbenchmark-dev
            libjsoncpp-dev libboost-dev clang libclang-rt-14-dev"
    [windows]="g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools libwine-dev wine wine64 wine32:i386"
    [linux32]="g++-multilib libjsoncpp-dev:i386"
    [browser]="chromium python3 fonts-dejavu-core"
    [scripts]="python3"
)
groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(base windows linux32 browser)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

wanted=()
for g in "${groups[@]}"; do
    [ -n "${GROUPS_PACKAGES[$g]+x}" ] || { echo "setup: unknown group $g" >&2; exit 2; }
    # shellcheck disable=SC2206
    wanted+=(${GROUPS_PACKAGES[$g]})
done
# Node.js for the browser tests and the demo's scripts: the machine's own when it has one,
# Debian's otherwise.
if [[ " ${groups[*]} " =~ " "(browser|scripts)" " ]] && ! command -v node >/dev/null; then
    wanted+=(nodejs npm)
fi

native=$(dpkg --print-architecture)
# Installed for the architecture asked: "name:arch" for that one, a plain name for the
# machine's own (or for an architecture-independent package).
installed() {
    local name=${1%%:*} arch=${1#*:}
    [ "$arch" = "$1" ] && arch=$native
    dpkg-query -W -f='${db:Status-Status} ${Architecture}\n' "$name" 2>/dev/null \
        | grep -qE "^installed ($arch|all)$"
}

missing=()
for p in "${wanted[@]}"; do
    installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}"
# Waits for another apt (an unattended upgrade, say) rather than failing at once.
apt_wait=(-o DPkg::Lock::Timeout=300)
as_root apt-get "${apt_wait[@]}" update -qq
as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get "${apt_wait[@]}" install -y -qq --no-install-recommends "${missing[@]}"
