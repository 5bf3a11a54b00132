#!/usr/bin/env bash
# Installs the Debian packages that one of the project's commands needs, when
# they are missing:
#
#   tools/install-deps.sh MODE
#
#   run    build the window program and the batch converter, start the window
#   test   build and run every test (also under the sanitizers; the smoke tier
#          on a virtual X display; the man pages)
#   bench  build and run the benchmarks
#   fuzz   build and run the fuzzers (clang, whose runtime package holds
#          libFuzzer and the sanitizers' runtimes)
#   deb    build the Debian packages and check them (the build dependencies
#          of debian/control included)
#   fresh  tools/fresh-debian-check.sh (debootstrap, a virtual X display)
#
# make and the compiler are among them, so this works on a Debian 12 that has
# nothing but what debootstrap installs. apt-get runs as root, or through sudo
# for a user who has it; a user with neither is told in one line what to run
# as root, and the script fails.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-}

# The packages of one mode; a new mode is one more case.
build=(make cmake g++ qt6-base-dev qt6-base-dev-tools libreoffice-dev fonts-liberation)
office=""  # the spreadsheet application, when the mode needs one
case "$mode" in
    run) wanted=("${build[@]}") office=libreoffice-calc ;;
    # The smoke tests start the program in a virtual X display and type into
    # it; the packaging tests render the man pages.
    test | sanitize)
        wanted=("${build[@]}" libgtest-dev libgmock-dev xvfb xauth xdotool python3 man-db)
        office=libreoffice-calc-nogui
        ;;
    bench)
        wanted=("${build[@]}" libgtest-dev libgmock-dev libbenchmark-dev libgmp-dev time python3)
        office=libreoffice-calc-nogui
        ;;
    fuzz) wanted=(make cmake qt6-base-dev qt6-base-dev-tools clang-14 libclang-rt-14-dev) ;;
    deb) wanted=(dpkg-dev debhelper lintian desktop-file-utils appstream) ;;
    fresh) wanted=(debootstrap xvfb xauth xdotool) ;;
    *)
        echo "usage: $0 run|test|bench|fuzz|deb|fresh" >&2
        exit 2
        ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

# The build dependencies of debian/control, one package each: of "a | b" the
# one installed, or else the first. Versions, architectures and profiles are
# left to dpkg-buildpackage to check. debhelper-compat is a virtual package
# that debhelper provides.
build_depends() {
    sed -n '/^Build-Depends:/,/^[^ ]/{s/^Build-Depends://;/^[^ ]/d;p}' "$root/debian/control" |
        tr '\n' ' ' | tr ',' '\n' | sed 's/([^)]*)//g; s/\[[^]]*\]//g; s/<[^>]*>//g' |
        while IFS='|' read -r -a alternatives; do
            [ ${#alternatives[@]} -gt 0 ] || continue
            chosen=""
            for p in "${alternatives[@]}"; do
                p=${p//[[:space:]]/}
                [ "$p" = debhelper-compat ] && p=debhelper
                [ -n "$p" ] || continue
                [ -n "$chosen" ] || chosen=$p
                if installed "$p"; then chosen=$p; break; fi
            done
            [ -z "$chosen" ] || echo "$chosen"
        done
}
if [ "$mode" = deb ]; then mapfile -t -O ${#wanted[@]} wanted < <(build_depends); fi

missing=()
for p in "${wanted[@]}"; do installed "$p" || missing+=("$p"); done
# Either flavour of the spreadsheet application will do; never swap one for
# the other (apt would remove the installed one).
if [ -n "$office" ] && ! installed libreoffice-calc && ! installed libreoffice-calc-nogui; then
    missing+=("$office")
fi
[ ${#missing[@]} -eq 0 ] && exit 0

command="apt-get install --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "Debian packages are missing and this user cannot install them; as root, run: $command" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
if ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq ||
    ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
    echo "The packages were not installed (see above); as root, run: $command" >&2
    exit 1
fi
