#!/usr/bin/env bash
# The first command on a new machine: installs the Debian packages that a
# command of the Makefile needs (make and the compiler included), then runs
# that command.
#
#   ./build.sh run     build and start the window
#   ./build.sh test    build and run every test
#   ./build.sh deb     build and check the Debian packages
#   ./build.sh bench   build and run the benchmarks
#
# Run it as root or as a user who has sudo. Once make is installed,
# "make run", "make test", ... do the same.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh "${1:-run}"
exec make "$@"
