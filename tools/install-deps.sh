#!/usr/bin/env bash
# Installs the Debian packages that building and running (run) or building
# and testing (test), running the benchmarks (bench) or the fuzzers (fuzz) need, when they are missing. Uses sudo when not root.
set -euo pipefail

mode=${1:-test}
common=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools fonts-liberation libreoffice-dev)
case "$mode" in
  run)  wanted=("${common[@]}") ; office=libreoffice-calc ;;
  test) wanted=("${common[@]}" googletest libgtest-dev libgmock-dev libbenchmark-dev libgmp-dev man-db)
        office=libreoffice-calc-nogui ;;
  bench) wanted=("${common[@]}" googletest libgtest-dev libgmock-dev libbenchmark-dev libgmp-dev time python3)
        office=libreoffice-calc-nogui ;;
  # libFuzzer and the sanitizers' runtimes come with clang's runtime package.
  fuzz) wanted=(cmake make qt6-base-dev qt6-base-dev-tools clang-14 libclang-rt-14-dev) ; office="" ;;
  *) echo "usage: $0 run|test|bench|fuzz" >&2; exit 2 ;;
esac
# The smoke tests start the program in a virtual X display and type into it.
if [ "$mode" = test ]; then wanted+=(xvfb xauth xdotool python3); fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

missing=()
for p in "${wanted[@]}"; do installed "$p" || missing+=("$p"); done
# Either flavour of the spreadsheet application will do; never swap one for the other.
if [ -n "$office" ] && ! installed libreoffice-calc && ! installed libreoffice-calc-nogui; then missing+=("$office"); fi

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
