#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, from Debian's archive. Idempotent:
# it asks apt only for what is missing, so a second run does nothing.
#   tools/setup.sh [group...]   groups: base windows linux32 browser scripts (default: all)
# The windows group also fetches and unpacks the source of Debian's jsoncpp (the version of
# libjsoncpp-dev) into /var/cache/velmor/jsoncpp: the Windows builds compile it themselves.
set -euo pipefail

declare -A GROUPS_PACKAGES=(
    [base]="build-essential cmake ninja-build pkg-config git openssl xxd
            libgtest-dev libgmock-dev googletest libbenchmark-dev
            libjsoncpp-dev libboost-dev clang libclang-rt-14-dev"
    [windows]="g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools libwine-dev wine wine64 wine32:i386
               libjsoncpp-dev dpkg-dev libboost-dev"
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
install_missing() {
[ ${#missing[@]} -eq 0 ] && return 0

if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}"
# Waits for another apt (an unattended upgrade, say) rather than failing at once.
apt_wait=(-o DPkg::Lock::Timeout=300)
as_root apt-get "${apt_wait[@]}" update -qq
as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get "${apt_wait[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}
install_missing

# ---- jsoncpp's Debian source, for the Windows builds

jsoncpp_cache=/var/cache/velmor/jsoncpp

# The machine's own Debian archive entries, as source entries: deb822 stanzas of type deb
# with that type changed, and one-line "deb" entries as "deb-src". Nothing of the machine's
# apt configuration changes.
source_entries() {
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)Types:[^\n]*(^|[ \t])deb([ \t]|\n|$)/ {
                 sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f"
    done
}
source_lines() {
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "$f"
    done
}

fetch_jsoncpp_source() {
    local version stamp
    # The source's version: a binary rebuild adds a suffix that names no source.
    version=$(dpkg-query -W -f='${source:Version}' "libjsoncpp-dev:$native")
    stamp=$jsoncpp_cache/unpacked-version
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ] && [ -f "$jsoncpp_cache/source/CMakeLists.txt" ]; then
        return 0
    fi
    echo "setup: fetching the source of jsoncpp $version"
    as_root mkdir -p "$jsoncpp_cache/lists/partial" "$jsoncpp_cache/apt/archives/partial" "$jsoncpp_cache/download"
    # The source list of our own: one-line entries in a list file, deb822 stanzas in a parts
    # folder that holds nothing else, so the machine's own lists stay out of it.
    local list=$jsoncpp_cache/sources.list parts=$jsoncpp_cache/sources.list.d
    as_root mkdir -p "$parts"
    source_lines | as_root tee "$list" >/dev/null
    source_entries | as_root tee "$parts/debian-src.sources" >/dev/null
    [ -s "$list" ] || [ -s "$parts/debian-src.sources" ] ||
        { echo "setup: no Debian archive entries found in the machine's apt sources" >&2; exit 1; }
    local private=(-o Dir::Etc::SourceList="$list" -o Dir::Etc::SourceParts="$parts"
                   -o Dir::State::Lists="$jsoncpp_cache/lists" -o Dir::Cache="$jsoncpp_cache/apt"
                   -o DPkg::Lock::Timeout=300)
    # apt downloads as its own user where it can.
    if id -u _apt >/dev/null 2>&1; then as_root chown _apt "$jsoncpp_cache/download"; fi
    as_root apt-get "${private[@]}" update -qq
    (cd "$jsoncpp_cache/download" && as_root apt-get "${private[@]}" source --download-only -qq "libjsoncpp=$version")
    # This version's own description: an earlier version's files may still lie beside it.
    local dsc=$jsoncpp_cache/download/libjsoncpp_${version#*:}.dsc
    as_root rm -rf "$jsoncpp_cache/source"
    # apt has checked the files against the archive's signed index; the package's own
    # signature needs a Debian keyring that the machine may lack (dpkg-source warns then).
    as_root dpkg-source -x "$dsc" "$jsoncpp_cache/source" >/dev/null
    echo "$version" | as_root tee "$stamp" >/dev/null
}

if [[ " ${groups[*]} " == *" windows "* ]]; then
    fetch_jsoncpp_source
fi
