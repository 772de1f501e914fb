#!/bin/sh
# Renders every SVG in images/src/ to a PNG with alpha in images/, at twice the
# point size written in the SVG (the SVGs measure in points).
# Needs rsvg-convert (Debian package librsvg2-bin: apt-get install librsvg2-bin).
# It also renders the app icon of the desktop entry (desktop/*.svg, drawn at
# 128 x 128) to the 128-pixel PNG that installs beside the scalable one.
# The build does not run this; the PNGs are committed. Run it after editing a source.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src="$here/images/src"
out="$here/images"
if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "render-images.sh: rsvg-convert not found; install it with: apt-get install librsvg2-bin" >&2
    exit 1
fi
count=0
for svg in "$src"/*.svg; do
    name=$(basename "$svg" .svg)
    rsvg-convert --zoom=2 --format=png --output="$out/$name.png" "$svg"
    count=$((count + 1))
done
echo "rendered $count images at 2x into $out"
for svg in "$here"/desktop/*.svg; do
    rsvg-convert --width=128 --height=128 --format=png --output="${svg%.svg}.png" "$svg"
done
