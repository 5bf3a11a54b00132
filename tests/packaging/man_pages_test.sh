#!/usr/bin/env bash
# The man pages render without a warning, the way lintian checks them, and
# their NAME lines give whatis entries.
#   man_pages_test.sh PAGE...
set -u
passed=0 failed=0
check() {  # check WHAT COMMAND...: passes when the command succeeds
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what" >&2
    fi
}
silent() {  # silent COMMAND...: succeeds when the command prints nothing on standard error
    local errors
    errors=$("$@" 2>&1 >/dev/null)
    [ -z "$errors" ] || { printf '%s\n' "$errors" >&2; return 1; }
}
command -v man >/dev/null && command -v lexgrog >/dev/null || { echo "man-db is not installed" >&2; exit 1; }

for page in "$@"; do
    name=$(basename "$page" .1)
    check "$name renders without warnings" \
        silent env MANWIDTH=80 man --warnings -l "$page"
    check "$name renders without warnings as lintian renders it" \
        silent env LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page"
    check "$name has a whatis entry" \
        bash -c 'lexgrog "$1" | grep -q "^$1: \"$2 - ."' _ "$page" "$name"
    check "$name names its program in its title" \
        grep -q "^\.TH ${name^^} 1 " "$page"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
