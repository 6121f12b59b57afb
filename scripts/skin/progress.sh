#!/usr/bin/env bash
# Makes the main window's loading images (res/drawable/): the 60 frames of the progress circle
# ("ProgressCircle/loading 001@1.5x.png" .. "060"), the still circle shown around them
# ("ProgressCircle/ProgressCircle_pause@1.5x.png") and the update glyph drawn in its middle
# ("ic_update@2x.png").
#
# The circle is 160 x 160 units drawn for 150 % (240 x 240 pixels): a light grey ring with an accent
# arc of 100 degrees. Frame k starts the arc 6 k degrees clockwise from the top, so frames 1..60 make
# one even turn and frame 60 leads straight back into frame 1; the still circle is the arc at 0, the
# position just before frame 1, so the animation starts without a jump. Everything is drawn four
# times larger and scaled down, which keeps the round ends smooth at every angle.
#
# The glyph (48 x 48 units at 200 %: 96 x 96 pixels) is two arrows chasing each other round a
# circle. The skin draws it mirrored, so it is drawn turning anticlockwise here and shows clockwise,
# the way the ring turns.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="$root/res/drawable"
mkdir -p "$out/ProgressCircle"

accent='#0067C0'
ring='#E5E5E5'
# No time stamps in the files: the same script makes the same bytes.
png=(-define png:exclude-chunks=date,time)

# Circle geometry at four times 240 pixels.
size=960
centre=480
radius=424
stroke=36
sweep=100

# An open arc as a polyline through points every half degree, from `from` to `to` degrees clockwise
# from the top. (ImageMagick 6 closes arcs and paths with a chord even without a fill; a polyline
# stays open.)
arc() { # cx cy r from to
    awk -v cx="$1" -v cy="$2" -v r="$3" -v from="$4" -v to="$5" 'BEGIN {
        pi = atan2(0, -1); n = int((to > from ? to - from : from - to) * 2); printf "polyline"
        for (i = 0; i <= n; i++) {
            t = (from + (to - from) * i / n - 90) * pi / 180
            printf " %.3f,%.3f", cx + r * cos(t), cy + r * sin(t)
        }
    }'
}

circle() { # start-angle file
    convert -size ${size}x${size} xc:none -fill none -strokewidth $stroke \
        -stroke "$ring" -draw "circle $centre,$centre $centre,$((centre - radius))" \
        -stroke "$accent" -draw "stroke-linecap round stroke-linejoin round $(arc $centre $centre $radius "$1" "$(($1 + sweep))")" \
        -resize 240x240 "${png[@]}" "PNG32:$2"
}

circle 0 "$out/ProgressCircle/ProgressCircle_pause@1.5x.png"
for k in $(seq 1 60); do
    circle $((k * 6)) "$out/ProgressCircle/loading $(printf '%03d' "$k")@1.5x.png"
done

# The glyph at four times 96 pixels: two arcs of 130 degrees, each ending in an arrowhead that points
# along the circle, anticlockwise.
g=384
gc=192
gr=116
gw=32
arrow() { # end-angle: the head sits where an anticlockwise arc ends
    awk -v cx=$gc -v cy=$gc -v r=$gr -v a="$1" 'BEGIN {
        pi = atan2(0, -1); t = (a - 90) * pi / 180
        px = cx + r * cos(t); py = cy + r * sin(t)
        nx = cos(t); ny = sin(t)   # outwards
        dx = sin(t); dy = -cos(t)  # along the circle, anticlockwise
        w = 44; l = 52
        printf "polygon %.3f,%.3f %.3f,%.3f %.3f,%.3f", px + nx * w, py + ny * w, px - nx * w, py - ny * w,
            px + dx * l, py + dy * l
    }'
}
convert -size ${g}x${g} xc:none -fill none -stroke "$accent" -strokewidth $gw \
    -draw "stroke-linecap round stroke-linejoin round $(arc $gc $gc $gr 155 25)" \
    -draw "stroke-linecap round stroke-linejoin round $(arc $gc $gc $gr 335 205)" \
    -stroke none -fill "$accent" -draw "$(arrow 25)" -draw "$(arrow 205)" \
    -resize 96x96 "${png[@]}" "PNG32:$out/ic_update@2x.png"
