#!/usr/bin/env bash
# Makes the title-bar glyphs of the skin (res/drawable/titlebar/): close, minimise and about, drawn
# for 200 % (32 x 32 pixels = 16 x 16 units), dark for the normal look and white for the close
# button's red hover look. Anti-aliased strokes on a transparent background.
set -euo pipefail
out="$(cd "$(dirname "$0")/../.." && pwd)/res/drawable/titlebar"
mkdir -p "$out"
glyph() {  # name colour draw-commands...
    local name="$1" colour="$2"
    shift 2
    convert -size 32x32 xc:none -fill none -stroke "$colour" -strokewidth 2 "$@" "PNG32:$out/$name@2x.png"
}
for variant in dark:'#1A1A1A' white:'#FFFFFF'; do
    suffix="${variant%%:*}"
    colour="${variant#*:}"
    [ "$suffix" = dark ] && suffix="" || suffix="_$suffix"
    glyph "close$suffix" "$colour" -draw "line 7,7 25,25" -draw "line 25,7 7,25"
    glyph "minimize$suffix" "$colour" -draw "line 7,16 25,16"
    glyph "about$suffix" "$colour" -draw "circle 16,16 16,4" \
        -fill "$colour" -stroke none -draw "rectangle 15,13 17,23" -draw "circle 16,10 16,8.6"
done
