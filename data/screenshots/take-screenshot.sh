#!/bin/bash
# Takes the AppStream screenshot from the real program: starts it in a
# virtual X display with a settings folder of its own, types five numbers
# into "Add Number or Numbers", converts them, and saves the window's area.
#
#   data/screenshots/take-screenshot.sh BUILD-FOLDER [OUTPUT.png]
#
# Needs xvfb, xauth, xdotool and imagemagick. There is no window manager in
# the virtual display, so the window has no frame; positions below are in
# pixels inside the window (twips / 15).
set -euo pipefail

if [ "${1:-}" = "--inside-display" ]; then
    program=$2 output=$3
    "$program" &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true' EXIT
    wid=""
    for _ in $(seq 100); do
        wid=$(xdotool search --name '^Basewright$' 2>/dev/null | head -n 1 || true)
        [ -n "$wid" ] && break
        sleep 0.2
    done
    [ -n "$wid" ] || { echo "the window did not appear" >&2; exit 1; }
    sleep 1
    xdotool mousemove --window "$wid" 136 149 click 1       # Add Number or Numbers
    sleep 1
    xdotool type --delay 30 '255, 16, 4096, 65535, 3735928559'
    xdotool key Return
    sleep 1
    xdotool mousemove --window "$wid" 268 326 click 1       # Start Converting
    sleep 2
    xdotool key Return                                      # the "Done." box
    sleep 1
    xdotool mousemove 0 0
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$output"
    exit 0
fi

build=${1:?usage: $0 BUILD-FOLDER [OUTPUT.png]}
output=${2:-$(dirname "$0")/basewright-main.png}
program=""
for candidate in "$build/basewright"; do
    [ -x "$candidate" ] && { program=$(realpath "$candidate"); break; }
done
[ -n "$program" ] || { echo "no basewright program in $build" >&2; exit 1; }
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
XDG_CONFIG_HOME=$settings xvfb-run -a -s '-screen 0 1024x768x24' \
    "$0" --inside-display "$program" "$(realpath -m "$output")"
echo "wrote $output"
