#!/bin/sh
# Renders the PNG sizes of the application icon from its SVG. The PNGs are
# committed, so the build needs no converter; run this again (needs
# librsvg2-bin) only after changing the SVG.
set -eu
cd "$(dirname "$0")/hicolor"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" scalable/apps/basewright.svg -o "${size}x${size}/apps/basewright.png"
done
