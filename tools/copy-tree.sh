#!/usr/bin/env bash
# Copies the source tree into a folder, the way a newcomer or a package build
# receives it: in a git checkout the tracked files and the new files that are
# not ignored (so work in progress is copied as it is), otherwise everything
# but the build folders and .git.
#   tools/copy-tree.sh DESTINATION
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
destination=$1
mkdir -p "$destination"
if command -v git >/dev/null && git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$root" ls-files -z --cached --others --exclude-standard |
        (cd "$root" && xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh) |
        tar -C "$root" --null -T - -cf - | tar -C "$destination" -xf -
else
    tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$destination" -xf -
fi
