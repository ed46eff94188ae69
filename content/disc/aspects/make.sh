#!/usr/bin/env bash
# The aspects module's content: the aspect tree (tree.py: scripts and titles
# in the language archive, category table 10's entries in table10.txt) and
# the aspect screen's pictures drawn with ImageMagick: the gable of the house
# at dusk (13100, 340 x 480), the dark oak panel behind the list (13200,
# 241 x 480), the brass column at the right edge (13300, 59 x 480) and the
# title bar's back button (13400 normal, 13401 pressed, 13402 under the
# pointer). The three pictures reach the window's bottom: the strip lies over
# their foot, and nothing of the tour shows between the screen and the strip
# (the selector's corner, the gap above the bar, the caption's line).
# Usage: make.sh OUTDIR TOOL
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make.sh OUTDIR TOOL}"
stage="$(basename "$here")"
mkdir -p "$out/pic" "$out/text"
out="$(cd "$out" && pwd)"
command -v convert >/dev/null || { echo "$stage: convert not found: apt-get install imagemagick" >&2; exit 1; }
py=python3
command -v "$py" >/dev/null || { echo "$stage: python3 not found: apt-get install python3" >&2; exit 1; }

: > "$out/QV_DE.build"
"$py" "$here/tree.py" "$out" "$stage" || { echo "$stage: tree.py failed writing the aspect tree" >&2; exit 1; }

pic="$out/pic"
draw() { # NAME: runs convert with the rest, naming the step when it fails
  local name=$1
  shift
  convert "$@" || { echo "$stage: convert failed drawing $name" >&2; return 1; }
}

# The gable: a half-timbered front under a dusk sky, beams dark, the infill
# dim so that the light titles moving over it stay readable; below it the
# dark cobbled lane on which the strip's caption and status lines stand.
gable() {
  local beams=() x
  # Posts, rails and braces of the timber frame (x 60..280, y 150..400).
  for x in 60 115 170 225 280; do beams+=(-draw "rectangle $((x - 4)),150 $((x + 4)),400"); done
  for y in 150 245 330 396; do beams+=(-draw "rectangle 56,$((y - 4)) 284,$((y + 4))"); done
  beams+=(-draw "line 60,245 115,150" -draw "line 280,245 225,150" -draw "line 60,330 115,245"
    -draw "line 280,330 225,245")
  local cobbles=() cx cy
  for cy in 410 426 442 458 474; do
    for cx in $(seq $(((cy / 16) % 2 * 11)) 22 340); do cobbles+=(-draw "roundrectangle $cx,$cy $((cx + 19)),$((cy + 13)) 4,4"); done
  done
  draw 13100 -size 340x480 gradient:'#16202e'-'#34405a' \
    -fill '#4a3c2e' -draw "polygon 48,150 170,38 292,150" \
    -fill '#52432f' -draw "rectangle 56,150 284,400" \
    -fill '#e0b860' -draw "rectangle 76,178 100,222" -draw "rectangle 131,178 155,222" \
    -draw "rectangle 186,178 210,222" -draw "rectangle 241,178 265,222" -draw "rectangle 158,92 182,128" \
    -fill '#6a5030' -draw "rectangle 131,262 155,312" -draw "rectangle 186,262 210,312" \
    -fill '#140e0a' -stroke '#140e0a' -strokewidth 7 "${beams[@]}" \
    -stroke '#140e0a' -strokewidth 9 -draw "line 44,154 170,34" -draw "line 170,34 296,154" \
    -stroke none -fill '#0c0a08' -draw "rectangle 0,392 340,480" \
    -fill '#16120e' -stroke '#080605' -strokewidth 1 "${cobbles[@]}" \
    -stroke none -fill '#1e1812' -draw "rectangle 0,400 340,404" \
    -type TrueColor "BMP3:$pic/13100.bmp"
}

# The oak panel behind the list: dark grain, a brass line at its left edge.
panel() {
  # The grain is drawn taller and cut to size: the blur leaves its ends pale.
  draw 13200 -size 241x560 xc:'#2a1d14' -seed 7 +noise Gaussian -motion-blur 0x40+90 \
    -crop 241x480+0+40 +repage -modulate 100,35 -fill '#2a1d14' -colorize 55% \
    -fill '#a08040' -draw "rectangle 0,0 2,480" \
    -fill '#3a2a1c' -draw "rectangle 3,0 4,480" \
    -type TrueColor "BMP3:$pic/13200.bmp"
}

# The brass column at the right edge, over which the list slides in.
column() {
  local rings=() y
  for y in 40 120 200 280 360 440; do rings+=(-draw "circle 29,$y 29,$((y + 9))"); done
  draw 13300 -size 59x480 gradient:'#6a5020'-'#c8a050' -rotate 90 -resize 59x480\! \
    -fill none -stroke '#3a2a10' -strokewidth 2 -draw "rectangle 6,4 52,475" \
    -fill '#8a6a2a' -stroke '#3a2a10' "${rings[@]}" \
    -stroke none -fill '#2a1d14' -draw "rectangle 0,0 1,480" \
    -type TrueColor "BMP3:$pic/13300.bmp"
}

# The back button: a brass arrow pointing left (normal, pressed, under the
# pointer).
button() { # ID BACKGROUND ARROW
  draw "$1" -size 22x22 xc:"$2" -fill "$3" -draw "polygon 5,11 13,4 13,8 17,8 17,14 13,14 13,18" \
    -fill none -stroke "$3" -draw "rectangle 0,0 21,21" -type TrueColor "BMP3:$pic/$1.bmp"
}

pids=()
gable & pids+=($!)
panel & pids+=($!)
column & pids+=($!)
button 13400 '#2a1d14' '#c8a050' & pids+=($!)
button 13401 '#16100a' '#8a6a2a' & pids+=($!)
button 13402 '#3a2a1c' '#f0d890' & pids+=($!)
for pid in "${pids[@]}"; do wait "$pid"; done

{
  echo "// The aspect screen's pictures (content/disc/$stage); flag 2: whole pictures"
  for id in 13100 13200 13300 13400 13401 13402; do echo "$id 10 \"$stage/pic/$id.bmp\" 2"; done
} > "$out/QV_GUI.build"
echo "$stage: $(grep -c '^[0-9]' "$out/QV_DE.build") texts, 6 pictures in $out"
