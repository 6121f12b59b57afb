#!/usr/bin/env bash
# Makes the program's icon (app/Lullgate.ico): two white pause bars on a rounded square in the
# accent colour, with a soft light-to-dark fall. Every standard size is drawn on its own, from a
# 1024-pixel master scaled down with a sharp filter, so the bars stay crisp at 16 pixels too.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

s=1024
# Rounded square with a vertical fall from the hover accent to the pressed accent.
convert -size ${s}x${s} gradient:'#1F7BCB'-'#005A9E' "$work/fill.png"
convert -size ${s}x${s} xc:none -stroke none -fill white -draw "roundrectangle 48,48 975,975 200,200" "$work/mask.png"
convert "$work/fill.png" "$work/mask.png" -alpha off -compose CopyOpacity -composite "$work/tile.png"
# Two bars, a calm pause.
convert "$work/tile.png" -stroke none -fill white \
    -draw "roundrectangle 340,280 460,744 44,44" -draw "roundrectangle 564,280 684,744 44,44" \
    "PNG32:$work/master.png"

sizes=(256 128 96 64 48 40 32 24 20 16)
files=()
for size in "${sizes[@]}"; do
    # Only the small sizes need sharpening; on large ones it would draw a dark halo round the bars.
    sharpen=()
    [ "$size" -le 48 ] && sharpen=(-unsharp 0x0.5)
    convert "$work/master.png" -filter Lanczos -resize ${size}x${size} "${sharpen[@]}" "PNG32:$work/$size.png"
    files+=("$work/$size.png")
done
convert "${files[@]}" "$root/app/Lullgate.ico"
# The same picture for documents and the installer.
cp "$work/256.png" "$root/docs/shots/icon-256.png"
echo "icon: $root/app/Lullgate.ico"
