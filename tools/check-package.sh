#!/usr/bin/env bash
# Builds the Debian packages basewright (the window) and basewright-cli (the
# batch converter) and checks them, without installing them:
#   - dpkg-buildpackage -us -uc -b in a copy of the tree (the build leaves
#     nothing behind in the work tree; dpkg-buildpackage writes its results
#     into the parent folder of the copy, a temporary folder);
#   - lintian on both: no error and no warning;
#   - desktop-file-validate and appstreamcli validate (and validate-tree) on
#     the window's packaged files;
#   - each package's files: its own program alone in /usr/bin, the man pages
#     and the completion in the package of their program;
#   - the relations: basewright-cli needs the C and C++ run-time libraries
#     only; basewright needs the UNO libraries and only recommends the
#     office, and needs nothing of basewright-cli;
#   - the unpacked programs: basewright-cli converts a few entries, basewright
#     answers --version without a display and starts.
# The .deb files end up in OUTPUT (default: build-deb/ in the work tree).
#
#   tools/check-package.sh [OUTPUT]
#
# Installs the Debian packages it needs when they are missing (see
# tools/install-deps.sh deb), the build dependencies included. JOBS sets the
# build's parallel jobs (default 2).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
output=$(realpath -m "${1:-$root/build-deb}")
jobs=${JOBS:-2}
started=$SECONDS

say() { printf 'check-package: %s\n' "$*"; }
fail() {
    printf 'check-package: FAILED: %s\n' "$*" >&2
    exit 1
}

"$root/tools/install-deps.sh" deb

work=$(mktemp -d "${TMPDIR:-/tmp}/basewright-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT

# ------------------------------------------------- a copy of the tree
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
upstream=${version%-*}
src=$work/basewright-$upstream
"$root/tools/copy-tree.sh" "$src"
(cd "$src" && dpkg-checkbuilddeps) || fail "build dependencies (tools/install-deps.sh deb installs them)"

# ------------------------------------------------------------ the build
say "building basewright $version"
build_started=$SECONDS
if ! (cd "$src" && dpkg-buildpackage -us -uc -b -j"$jobs") >"$work/build.log" 2>&1; then
    tail -n 60 "$work/build.log" >&2
    fail "dpkg-buildpackage (the last lines of its output are above)"
fi
build_seconds=$((SECONDS - build_started))
arch=$(dpkg-architecture -q DEB_HOST_ARCH)
window_deb=$work/basewright_${version}_${arch}.deb
cli_deb=$work/basewright-cli_${version}_${arch}.deb
changes=$work/basewright_${version}_${arch}.changes
for deb in "$window_deb" "$cli_deb"; do
    [ -f "$deb" ] || fail "no $(basename "$deb") was built"
done
mkdir -p "$output"
cp "$work"/*.deb "$output"/
say "built $(basename "$window_deb") and $(basename "$cli_deb") in ${build_seconds} s"

checks=0
pass() { checks=$((checks + 1)); }

# ------------------------------------------------------------ lintian
say "lintian"
lintian --fail-on error,warning --display-info "$changes" || fail "lintian"
pass

# ------------------------------------------------------------ files
say "the files of each package"
# Each package's files under /usr/bin: its own program, nothing else (no
# data files and no folders there).
for package in basewright basewright-cli; do
    deb=$work/${package}_${version}_${arch}.deb
    in_bin=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep '^\./usr/bin/.' || true)
    [ "$in_bin" = "./usr/bin/$package" ] || fail "$package has other files in /usr/bin than its program: $in_bin"
    pass
done
owns() {  # owns PACKAGE-DEB PATH: the package holds the path
    dpkg-deb -c "$1" | awk '{print $6}' | grep -qx "\./$2"
}
owns "$cli_deb" usr/share/man/man1/basewright-cli.1.gz || fail "basewright-cli lacks its man page"
owns "$cli_deb" usr/share/bash-completion/completions/basewright-cli || fail "basewright-cli lacks its completion"
owns "$window_deb" usr/share/man/man1/basewright.1.gz || fail "basewright lacks its man page"
owns "$window_deb" usr/share/applications/basewright.desktop || fail "basewright lacks its desktop entry"
pass

# ------------------------------------------------------------ unpacked files
unpacked=$work/unpacked
mkdir -p "$unpacked"
dpkg-deb -x "$window_deb" "$unpacked/window"
dpkg-deb -x "$cli_deb" "$unpacked/cli"

say "desktop-file-validate"
desktop-file-validate "$unpacked/window/usr/share/applications/basewright.desktop" || fail "desktop-file-validate"
pass

say "appstreamcli validate"
metainfo=("$unpacked"/window/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "${metainfo[@]}" || fail "appstreamcli validate"
# The installed tree as a whole: the metadata with the desktop entry and the
# icons it names.
appstreamcli validate-tree --no-net "$unpacked/window" >"$work/validate-tree.log" 2>&1 ||
    {
        cat "$work/validate-tree.log" >&2
        fail "appstreamcli validate-tree"
    }
pass

# ------------------------------------------------------------ relations
say "package relations"
names() {  # the package names of a relation field, one a line
    tr ',|' '\n\n' <<<"$1" | sed 's/([^)]*)//; s/[[:space:]]//g' | grep -v '^$' || true
}
cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
for name in $(names "$cli_depends"); do
    case "$name" in
        libc6 | libgcc-s1 | libstdc++6) ;;
        *) fail "basewright-cli depends on $name; it needs only the C and C++ run-time libraries: $cli_depends" ;;
    esac
done
pass
depends=$(dpkg-deb -f "$window_deb" Depends)
recommends=$(dpkg-deb -f "$window_deb" Recommends)
# The spreadsheet command is built in: the UNO runtime libraries are
# dependencies, the office itself only a recommendation.
[[ $depends == *libuno-cppuhelpergcc3-3* ]] || fail "Depends lacks the UNO libraries (spreadsheet command not built?): $depends"
[[ $depends != *libreoffice-calc* && $depends != *libreoffice-core* ]] || fail "Depends names the office: $depends"
[[ $recommends == *libreoffice-calc* ]] || fail "Recommends lacks libreoffice-calc: $recommends"
# The window does not call the batch converter.
for field in Depends Pre-Depends Recommends; do
    value=$(dpkg-deb -f "$window_deb" "$field")
    [[ $value != *basewright-cli* ]] || fail "basewright's $field names basewright-cli: $value"
done
pass
for program in "$unpacked/window/usr/bin/basewright" "$unpacked/cli/usr/bin/basewright-cli"; do
    if ldd "$program" | grep -q 'not found'; then
        ldd "$program" >&2
        fail "the libraries of $(basename "$program") are not all found"
    fi
done
pass

# ------------------------------------------------------------ the programs
say "the unpacked basewright-cli"
cli=$unpacked/cli/usr/bin/basewright-cli
expect() { # expect NAME EXPECTED-OUTPUT EXPECTED-STATUS INPUT ARGS...
    local name=$1 want=$2 want_status=$3 input=$4
    shift 4
    local got status=0
    got=$(printf '%b' "$input" | "$cli" "$@" 2>/dev/null) || status=$?
    if [ "$got" != "$want" ] || [ "$status" != "$want_status" ]; then
        fail "basewright-cli $name: got '$got' (status $status), expected '$want' (status $want_status)"
    fi
    pass
}
expect "default conversion" $'FF\n10' 0 '255\n16\n'
expect "named conversion" $'27\n10' 0 '123\n1010\n' --conversion "Binary To Decimal"
expect "bases by word and number" $'35\n1295' 0 'z\nZZ\n' --from 36 --to dec
expect "full rows" $'255\tDecimal To Octal\t377' 0 '255\r\n' --full --conversion "Decimal To Octal"
expect "an entry too large" $'\nF' 1 "$(printf '9%.0s' $(seq 400))\n15\n"
# The first line of --version names the program and its version; the
# copyright and licence lines follow.
got=$("$cli" --version | head -n 1) || fail "basewright-cli --version ended with status $?"
[ "$got" = "basewright-cli $upstream" ] || fail "basewright-cli --version: got '$got', expected 'basewright-cli $upstream'"
pass

say "the unpacked basewright"
window=$unpacked/window/usr/bin/basewright
got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$window" --version) ||
    fail "basewright --version without a display ended with status $?"
[ "$got" = "basewright $upstream" ] || fail "basewright --version: got '$got'"
pass
settings=$work/settings
mkdir -p "$settings"
status=0
XDG_CONFIG_HOME=$settings QT_QPA_PLATFORM=offscreen timeout 5 "$window" >"$work/window.log" 2>&1 || status=$?
if [ "$status" -ne 124 ]; then
    cat "$work/window.log" >&2
    fail "basewright ended after less than 5 s with status $status"
fi
pass

say "packages in $output; all checks done in $((SECONDS - started)) s (build ${build_seconds} s)"
say "$checks passed, 0 failed"
