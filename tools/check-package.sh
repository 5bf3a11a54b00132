#!/usr/bin/env bash
# Builds the Debian package and checks it, without installing it:
#   - dpkg-buildpackage -us -uc -b in a copy of the tree (the build leaves
#     nothing behind in the work tree; dpkg-buildpackage writes its results
#     into the parent folder of the copy, a temporary folder);
#   - lintian: no error and no warning;
#   - desktop-file-validate and appstreamcli validate (and validate-tree) on
#     the packaged files;
#   - the package's relations (UNO libraries in Depends, the office only in
#     Recommends) and the unpacked programs: basewright-cli converts a few
#     entries, basewright starts.
# The .deb files end up in OUTPUT (default: build-deb/ in the work tree).
#
#   tools/check-package.sh [--build-only] [OUTPUT]
#
# Installs the Debian packages it needs when they are missing (with apt-get,
# through sudo when not run as root), the package's build dependencies
# included. JOBS sets the build's parallel jobs (default 2).
set -euo pipefail

build_only=false
if [ "${1:-}" = "--build-only" ]; then
    build_only=true
    shift
fi
root=$(cd "$(dirname "$0")/.." && pwd)
output=$(realpath -m "${1:-$root/build-deb}")
jobs=${JOBS:-2}
started=$SECONDS

say() { printf 'check-package: %s\n' "$*"; }
fail() { printf 'check-package: FAILED: %s\n' "$*" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/basewright-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
export DEBIAN_FRONTEND=noninteractive
updated=false
apt_get() {  # apt-get with its output in a log, shown when it fails
    if ! $updated; then
        $sudo apt-get update -qq >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get update"; }
        updated=true
    fi
    $sudo apt-get "$@" >"$work/apt.log" 2>&1 || { tail -n 40 "$work/apt.log" >&2; fail "apt-get $*"; }
}
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

# ------------------------------------------------------------ the tools
tools=(build-essential dpkg-dev debhelper lintian desktop-file-utils appstream git)
missing=()
for p in "${tools[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    apt_get install -y -q --no-install-recommends "${missing[@]}"
fi

# ------------------------------------------------- a copy of the tree
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
upstream=${version%-*}
src=$work/basewright-$upstream
mkdir -p "$src"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    # Tracked files and new files that are not ignored (so work in progress
    # is packaged as it is), but no build folders.
    git -C "$root" ls-files -z --cached --others --exclude-standard |
        (cd "$root" && xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh) |
        tar -C "$root" --null -T - -cf - | tar -C "$src" -xf -
else
    tar -C "$root" --exclude='./build*' -cf - . | tar -C "$src" -xf -
fi

# ------------------------------------------------- build dependencies
if ! (cd "$src" && dpkg-checkbuilddeps >/dev/null 2>&1); then
    say "installing the build dependencies"
    apt_get build-dep -y -q --no-install-recommends "$src"
fi

# ------------------------------------------------------------ the build
say "building basewright $version"
build_started=$SECONDS
if ! (cd "$src" && dpkg-buildpackage -us -uc -b -j"$jobs") >"$work/build.log" 2>&1; then
    tail -n 60 "$work/build.log" >&2
    fail "dpkg-buildpackage (the last lines of its output are above)"
fi
build_seconds=$((SECONDS - build_started))
arch=$(dpkg-architecture -q DEB_HOST_ARCH)
deb=$work/basewright_${version}_${arch}.deb
changes=$work/basewright_${version}_${arch}.changes
[ -f "$deb" ] || fail "no $(basename "$deb") was built"
mkdir -p "$output"
cp "$work"/*.deb "$output"/
say "built $(basename "$deb") in ${build_seconds} s"

if $build_only; then
    say "package in $output"
    exit 0
fi

# ------------------------------------------------------------ lintian
say "lintian"
lintian --fail-on error,warning --display-info "$changes" || fail "lintian"

# ------------------------------------------------------------ unpacked files
unpacked=$work/unpacked
dpkg-deb -x "$deb" "$unpacked"

say "desktop-file-validate"
desktop-file-validate "$unpacked/usr/share/applications/basewright.desktop" || fail "desktop-file-validate"

say "appstreamcli validate"
metainfo=("$unpacked"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "${metainfo[@]}" || fail "appstreamcli validate"
# The installed tree as a whole: the metadata with the desktop entry and the
# icons it names.
appstreamcli validate-tree --no-net "$unpacked" >"$work/validate-tree.log" 2>&1 ||
    { cat "$work/validate-tree.log" >&2; fail "appstreamcli validate-tree"; }

# ------------------------------------------------------------ relations
say "package relations"
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
# The spreadsheet command is built in: the UNO runtime libraries are
# dependencies, the office itself only a recommendation.
[[ $depends == *libuno-cppuhelpergcc3-3* ]] || fail "Depends lacks the UNO libraries (spreadsheet command not built?): $depends"
[[ $depends != *libreoffice-calc* && $depends != *libreoffice-core* ]] || fail "Depends names the office: $depends"
[[ $recommends == *libreoffice-calc* ]] || fail "Recommends lacks libreoffice-calc: $recommends"
if ldd "$unpacked/usr/bin/basewright" | grep -q 'not found'; then
    ldd "$unpacked/usr/bin/basewright" >&2
    fail "the window program's libraries are not all found"
fi

# ------------------------------------------------------------ the programs
say "the unpacked basewright-cli"
cli=$unpacked/usr/bin/basewright-cli
checks=0
expect() {  # expect NAME EXPECTED-OUTPUT EXPECTED-STATUS INPUT ARGS...
    local name=$1 want=$2 want_status=$3 input=$4
    shift 4
    local got status=0
    got=$(printf '%b' "$input" | "$cli" "$@" 2>/dev/null) || status=$?
    if [ "$got" != "$want" ] || [ "$status" != "$want_status" ]; then
        fail "basewright-cli $name: got '$got' (status $status), expected '$want' (status $want_status)"
    fi
    checks=$((checks + 1))
}
expect "default conversion" $'FF\n10' 0 '255\n16\n'
expect "named conversion" $'27\n10' 0 '123\n1010\n' --conversion "Binary To Decimal"
expect "bases by word and number" $'35\n1295' 0 'z\nZZ\n' --from 36 --to dec
expect "full rows" $'255\tDecimal To Octal\t377' 0 '255\r\n' --full --conversion "Decimal To Octal"
expect "an entry too large" $'\nF' 1 "$(printf '9%.0s' $(seq 400))\n15\n"
expect "version" "basewright-cli $upstream" 0 '' --version

say "the unpacked basewright starts"
settings=$work/settings
mkdir -p "$settings"
status=0
XDG_CONFIG_HOME=$settings QT_QPA_PLATFORM=offscreen timeout 5 "$unpacked/usr/bin/basewright" \
    >"$work/window.log" 2>&1 || status=$?
if [ "$status" -ne 124 ]; then
    cat "$work/window.log" >&2
    fail "basewright ended after less than 5 s with status $status"
fi
checks=$((checks + 1))

say "package in $output; all checks done in $((SECONDS - started)) s (build ${build_seconds} s)"
say "$checks passed, 0 failed"
