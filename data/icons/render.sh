#!/usr/bin/env bash
# Renders the icon's PNG sizes and the Windows .ico from zelvix.svg. The
# results are committed, so building the game needs no image tools; run this
# again after changing the drawing.
# Needs rsvg-convert (Debian package librsvg2-bin) and icotool (icoutils).
set -euo pipefail
cd "$(dirname "$0")"

for size in 16 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}"
    rsvg-convert --width "$size" --height "$size" zelvix.svg -o "${size}x${size}/zelvix.png"
done

# Windows takes 16, 32 and 48 as bitmaps and 256 as PNG data.
icotool --create --output ../zelvix.ico \
    16x16/zelvix.png 32x32/zelvix.png 48x48/zelvix.png --raw=256x256/zelvix.png
