#!/usr/bin/env bash
# The closing panel's two animations (75 frames each, 320 x 240, JPEG):
# 6200-6274, looping while the farewell text runs: the Ostrevan Haus at dusk,
# candles flickering in its windows; 6300-6374, played once at the end: the
# lights go out one by one and the picture fades to black. The facade is drawn
# once with ImageMagick; each frame lights its windows through a mask.
# Between the two the closing panel plays 761, a church bell at dusk (sox).
# The language panel's pictures: its backdrop 6499 and, keyed on magenta,
# the Dutch and English flags waving (6510, 6500) and their selection
# animations (6511, 6501), multi-frame pictures merged from numbered frames.
# Usage: make.sh OUTDIR TOOL   (TOOL: ostrevan-tool, which decodes 761 as a
# check that the engine plays it)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make.sh OUTDIR TOOL}"
tool="${2:?usage: make.sh OUTDIR TOOL}"
stage="$(basename "$here")"
mkdir -p "$out/loop" "$out/end" "$out/work" "$out/pic"
out="$(cd "$out" && pwd)"
command -v convert >/dev/null || { echo "$stage: convert not found: apt-get install imagemagick" >&2; exit 1; }
command -v sox >/dev/null || { echo "$stage: sox not found: apt-get install sox" >&2; exit 1; }
[ -x "$tool" ] || { echo "$stage: ostrevan-tool not found at $tool" >&2; exit 1; }
tool="$(realpath "$tool")"
export MAGICK_THREAD_LIMIT=1
cd "$out/work"

# Windows (left top right bottom of the panes that light up): windows.txt,
# first floor, ground floor beside the door, gable, loft hatch.
mapfile -t windows < "$here/windows.txt"

# The facade at dusk, windows dark.
sky="gradient:#0a1230-#454a78"
stars=""
for xy in 12,14 40,40 66,10 30,80 290,90 306,20 250,14 220,6 58,62 10,110 300,120 276,70; do
  stars+=" point $xy"
done
mullions=""
panes_dark=""
panes_lit=""
for w in "${windows[@]}"; do
  read -r l t r b <<<"$w"
  cx=$(((l + r) / 2)); cy=$(((t + b) / 2))
  panes_dark+=" rectangle $l,$t $r,$b"
  panes_lit+=" rectangle $l,$t $r,$b"
  mullions+=" rectangle $((cx - 1)),$t $cx,$b rectangle $l,$((cy - 1)) $r,$cy"
done
facade=(
  -fill '#1c1a24' -draw "polygon 0,120 30,120 30,96 60,96 60,120 78,120 78,240 0,240"          # neighbour left
  -fill '#201c26' -draw "polygon 242,110 262,90 282,110 282,100 320,100 320,240 242,240"      # neighbour right
  -fill '#6e3424' -draw "polygon 80,78 80,205 240,205 240,78 228,78 228,64 212,64 212,48 196,48 196,30 182,30 182,18 138,18 138,30 124,30 124,48 108,48 108,64 92,64 92,78"
  -fill '#c9b795' -draw "rectangle 80,76 240,80 rectangle 80,134 240,138 rectangle 78,203 242,207"
  -draw "rectangle 136,16 184,19 rectangle 122,28 138,31 rectangle 182,28 198,31 rectangle 106,46 124,49 rectangle 196,46 214,49 rectangle 90,62 108,65 rectangle 212,62 230,65"
  -fill '#5a2a1c' -draw "rectangle 157,8 163,18"                                                # hoist beam
  -fill '#2a1a10' -draw "rectangle 150,8 170,11 line 168,11 168,24"
  -fill '#141420' -draw "$panes_dark"
  -fill '#3a2414' -draw "path 'M 144,205 L 144,162 A 16,16 0 0,1 176,162 L 176,205 Z'"          # door
  -fill '#c9b795' -draw "rectangle 140,139 180,150"
  -font DejaVu-Serif-Bold -pointsize 9 -fill '#4a3020' -annotate +148+148 "1652"
  -font DejaVu-Serif-Bold -pointsize 9 -fill '#e8d8b0' -annotate +128+91 "OSTREVAN"
  -fill '#c8a040' -draw "circle 170,185 170,187"
)
convert -size 320x240 "$sky" -fill '#f4ecc8' -draw "$stars" \
  \( -size 320x240 xc:none -fill '#f4ecc860' -draw "circle 272,40 272,62" -blur 0x6 \) -composite \
  -fill '#f4ecc8' -draw "circle 272,40 272,52" -fill '#00000000' \
  "${facade[@]}" \
  -fill '#2e2a28' -draw "rectangle 0,207 320,240" -fill '#3c3734' \
  -draw "line 0,216 320,216 line 0,226 320,226 line 0,236 320,236" \
  -fill '#c9b795' -draw "$mullions" base.png
# Lit: warm panes, their glow spilling out, light on the street.
convert base.png \
  \( -size 320x240 xc:none -fill '#ffb84a' -draw "$panes_lit" -blur 0x5 \) -compose screen -composite -compose over \
  -fill '#ffd27a' -draw "$panes_lit" -fill '#8a5a20' -draw "$mullions" lit.png

jobs=jobs.txt
: > "$jobs"
# The loop: each window flickers on its own whole number of cycles per 75 frames.
for f in $(seq 0 74); do
  levels=$(awk -v f="$f" 'BEGIN { for (i = 0; i < 8; i++) { c = 1 + i % 3; p = i * 0.9;
    v = 82 + 12 * sin(2 * 3.14159265 * c * f / 75 + p) + 5 * sin(2 * 3.14159265 * (c + 3) * f / 75 + 2 * p);
    printf "%d ", (i == 7 ? v * 0.6 : v) } }')
  echo "bash $here/frame.sh ../loop/frame$(printf %03d $((f + 1))).jpg $levels" >> "$jobs"
done
# The end: the windows go dark one after another (frames 8-52), then black.
order=(7 5 6 0 2 1 3 4)
for f in $(seq 0 74); do
  levels=()
  for i in 0 1 2 3 4 5 6 7; do
    for k in 0 1 2 3 4 5 6 7; do [ "${order[k]}" = "$i" ] && break; done
    off=$((8 + k * 6))
    if (( f < off )); then v=85; elif (( f < off + 4 )); then v=$((85 - (f - off) * 21)); else v=0; fi
    levels+=("$v")
  done
  fade=0
  (( f > 54 )) && fade=$(((f - 54) * 100 / 20))
  (( fade > 100 )) && fade=100
  echo "bash $here/frame.sh ../end/frame$(printf %03d $((f + 1))).jpg ${levels[*]} $fade" >> "$jobs"
done
# The language panel's flags: 8 frames of each waving flag (32 x 90, the pole
# 5 px from the left), 12 frames of each selection (128 x 96: the flag
# rises a little and a ring of light spreads from it). The poles stand where
# those of the backdrop's still flags stand.
for f in $(seq 0 7); do
  phase=$(awk -v f="$f" 'BEGIN { printf "%.3f", f / 8 }')
  n=$(printf %02d $((f + 1)))
  echo "bash $here/flag.sh ../pic/nl$n.bmp nl 32 90 5 8 $phase" >> "$jobs"
  echo "bash $here/flag.sh ../pic/en$n.bmp en 32 90 5 8 $phase" >> "$jobs"
done
for f in $(seq 0 11); do
  phase=$(awk -v f="$f" 'BEGIN { printf "%.3f", f / 8 }')
  glow=$((f * 100 / 11))
  lift=$((f < 6 ? f : 6))
  n=$(printf %02d $((f + 1)))
  echo "bash $here/flag.sh ../pic/nlsel$n.bmp nl 128 96 53 14 $phase $glow $lift" >> "$jobs"
  echo "bash $here/flag.sh ../pic/ensel$n.bmp en 128 96 43 14 $phase $glow $lift" >> "$jobs"
done
if ! xargs -d '\n' -P "$(nproc)" -n 1 bash -c 'eval "$1"' _ < "$jobs"; then
  echo "$stage: drawing the frames failed" >&2
  exit 1
fi
# The language panel's backdrop (314 x 262, at 163, 79 of the screen): a
# panelled board in a brass frame with the question in both languages and
# the two flags at rest in a lighter niche, where the waving ones appear.
bash "$here/flag.sh" still-nl.bmp nl 32 90 5 8 0
bash "$here/flag.sh" still-en.bmp en 32 90 5 8 0
convert -size 314x262 xc:'#b08a3a' -fill '#3a2618' -draw "rectangle 6,6 307,255" \
  -fill '#4a3222' -draw "rectangle 12,12 301,249" -fill '#3a2618' -draw "rectangle 16,16 297,245" \
  -fill '#6a4a32' -draw "roundrectangle 82,40 178,150 10,10" -fill '#2a1a10' -draw "rectangle 84,140 176,146" \
  -font DejaVu-Serif-Bold -pointsize 15 -fill '#e1a858' -gravity north -annotate +0+14 "Kies uw taal" \
  -font DejaVu-Serif -pointsize 12 -fill '#c8a070' -annotate +0+196 "Choose your language" \
  -gravity northwest \( still-nl.bmp -transparent '#ff00ff' \) -geometry +97+49 -composite \
  \( still-en.bmp -transparent '#ff00ff' \) -geometry +127+49 -composite \
  BMP3:"$out/pic/6499.bmp" || { echo "$stage: drawing the backdrop 6499 failed" >&2; exit 1; }

# 761: a church bell at dusk, struck once, with a low hum under it (2 s).
# The closing panel shows black while it sounds, so it stays short.
sox -n -r 22050 -b 16 -c 1 bell.wav synth 2.0 sine 196 sine mix 392 sine mix 468 sine mix 587 sine mix 784 \
  sine mix 1046 fade p 0.004 2.0 1.9 || { echo "$stage: sound 761: sox synth failed" >&2; exit 1; }
sox -n -r 22050 -b 16 -c 1 hum.wav synth 2.0 sine 98 fade p 0.05 2.0 1.8 gain -14 \
  || { echo "$stage: sound 761: sox hum failed" >&2; exit 1; }
sox -m bell.wav hum.wav -r 22050 -b 16 -c 1 "$out/761.wav" reverb 35 gain -n -6 \
  || { echo "$stage: sound 761: sox mix failed" >&2; exit 1; }
"$tool" sound decode "$out/761.wav" check.wav >/dev/null \
  || { echo "$stage: ostrevan-tool cannot decode sound 761" >&2; exit 1; }

cd "$out"
rm -rf work
{
  echo "// Closing panel animations (content/disc/$stage): JPEG frames copied as they are"
  echo "-6200 0 \"$stage/loop/frame001.jpg\""
  echo "-6300 0 \"$stage/end/frame001.jpg\""
  echo "// Language panel (content/disc/$stage): backdrop; flags and selections merged from numbered"
  echo "// frames (flags 3), magenta transparent"
  echo "6499 10 \"$stage/pic/6499.bmp\" 2"
  echo "6500 10 \"$stage/pic/en01.bmp\" 3 0 0 2 255 0 255"
  echo "6501 10 \"$stage/pic/ensel01.bmp\" 3 0 0 2 255 0 255"
  echo "6510 10 \"$stage/pic/nl01.bmp\" 3 0 0 2 255 0 255"
  echo "6511 10 \"$stage/pic/nlsel01.bmp\" 3 0 0 2 255 0 255"
} > QV_extra.build
{
  echo "// Closing panel interlude (content/disc/$stage): WAVE 22050 Hz 16-bit mono"
  echo "761 0 \"$stage/761.wav\""
} > QV_GUI.build
echo "$stage: $(ls loop | wc -l) + $(ls end | wc -l) frames, $(ls pic | wc -l) language pictures, sound 761"
