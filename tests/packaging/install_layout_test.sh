#!/usr/bin/env bash
# The installed files, as "cmake --install" lays them out under /usr, and the
# two Debian packages that split them: /usr/bin holds the two programs and
# nothing else, and debian/basewright.install and debian/basewright-cli.install
# give every installed file to exactly one package (dh_missing fails the
# package build on a file that neither takes).
#   install_layout_test.sh BUILD-FOLDER SOURCE-FOLDER
set -u
build=$1 source=$2
passed=0 failed=0
check() { # check WHAT COMMAND...: passes when the command succeeds
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what" >&2
    fi
}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$stage.log" 2>&1 || {
    cat "$stage.log" >&2
    rm -f "$stage.log"
    echo "FAILED: cmake --install" >&2
    exit 1
}
rm -f "$stage.log"

in_bin=$(cd "$stage/usr/bin" && find . -mindepth 1 | sed 's|^\./||' | sort | tr '\n' ' ')
check "/usr/bin holds the two programs and nothing else (it holds: $in_bin)" \
    test "$in_bin" = "basewright basewright-cli "

# The package whose .install file names the path or a folder above it.
owners() {
    local path=$1 package line
    for package in basewright basewright-cli; do
        while read -r line; do
            [ -n "$line" ] || continue
            if [ "$path" = "$line" ] || [[ $path == "$line"/* ]]; then
                echo "$package"
                break
            fi
        done <"$source/debian/$package.install"
    done
}
while read -r path; do
    found=$(owners "$path" | tr '\n' ' ')
    check "$path goes to exactly one package (it goes to: ${found:-none})" test "$(wc -w <<<"$found")" -eq 1
done < <(cd "$stage" && find . -type f -o -type l | sed 's|^\./||' | sort)
# And every line of the .install files names something installed.
for package in basewright basewright-cli; do
    while read -r line; do
        check "$line of debian/$package.install is installed" test -e "$stage/$line"
    done <"$source/debian/$package.install"
done
check "the batch converter goes to basewright-cli" test "$(owners usr/bin/basewright-cli)" = basewright-cli
check "the window goes to basewright" test "$(owners usr/bin/basewright)" = basewright

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
