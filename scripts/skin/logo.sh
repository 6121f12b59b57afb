#!/usr/bin/env bash
# Makes the product mark the about window shows (res/drawable/logo@2x.png): two white pause bars on
# a rounded square in the accent colour with a soft light-to-dark fall, the same picture as the
# program's icon. Drawn as a 1024-pixel master and scaled down to 96 x 96 pixels (48 x 48 units
# at 200 %), so the edges stay smooth.
set -euo pipefail
out="$(cd "$(dirname "$0")/../.." && pwd)/res/drawable"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

s=1024
convert -size ${s}x${s} gradient:'#1F7BCB'-'#005A9E' "$work/fill.png"
convert -size ${s}x${s} xc:none -fill white -draw "roundrectangle 48,48 975,975 200,200" "$work/mask.png"
convert "$work/fill.png" "$work/mask.png" -alpha off -compose CopyOpacity -composite "$work/tile.png"
convert "$work/tile.png" -fill white \
    -draw "roundrectangle 340,280 460,744 44,44" -draw "roundrectangle 564,280 684,744 44,44" \
    "PNG32:$work/master.png"
convert "$work/master.png" -filter Lanczos -resize 96x96 -unsharp 0x0.6 "PNG32:$out/logo@2x.png"
echo "logo: $out/logo@2x.png"
