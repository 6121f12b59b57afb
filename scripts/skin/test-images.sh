#!/usr/bin/env bash
# Makes the small images the toolkit tests draw (tests/duilib/skin/drawable/). Each has a known
# layout of colours so a test can check blending, mirroring and placement pixel by pixel.
set -euo pipefail
out="$(cd "$(dirname "$0")/../.." && pwd)/tests/duilib/skin/drawable"
mkdir -p "$out"
# 20 x 10: left half opaque red, right half blue at 50 % alpha.
convert -size 10x10 xc:'#FF0000' \( -size 10x10 xc:'rgba(0,0,255,0.5)' \) +append +repage "PNG32:$out/halves.png"
# The same drawn for 200 %: 40 x 20 pixels, 20 x 10 units.
convert "$out/halves.png" -filter point -resize 200% +repage "PNG32:$out/halves@2x.png"
