#!/usr/bin/env bash
# The storyline screen's content: the STORYLINE, TIMELINE and EVENT scripts
# with their titles and card texts (story.py), the storylines' pictures and
# card icons, and the pictures of the screen, its timeline bands and its side
# panel (ImageMagick, helpers in draw.sh, all jobs in parallel).
# Usage: make.sh OUTDIR TOOL
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make.sh OUTDIR TOOL}"
stage="$(basename "$here")"
mkdir -p "$out/pic"
out="$(cd "$out" && pwd)"
command -v convert >/dev/null || { echo "$stage: convert not found: apt-get install imagemagick" >&2; exit 1; }
command -v python3 >/dev/null || { echo "$stage: python3 not found: apt-get install python3" >&2; exit 1; }
# Debian's python3-pil lives in the system Python, which another python3 on
# the PATH (a virtual environment) may hide.
py=python3
if ! "$py" -c 'import PIL' 2>/dev/null; then py=/usr/bin/python3; fi
"$py" -c 'import PIL' 2>/dev/null || { echo "$stage: Python PIL not found: apt-get install python3-pil" >&2; exit 1; }
serif_bold=/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf
[ -f "$serif_bold" ] || { echo "$stage: $serif_bold not found: apt-get install fonts-dejavu-core" >&2; exit 1; }

# Scripts and texts.
: > "$out/QV_DE.build"
"$py" "$here/story.py" texts "$out" || { echo "$stage: story.py could not write the scripts" >&2; exit 1; }

# The category table entries other stages copy must be those of the scripts.
if ! diff <(grep -v '^#' "$here/tables.txt") <("$py" "$here/story.py" tables) >/dev/null; then
  echo "$stage: tables.txt does not match story.py: remake it with story.py tables" >&2
  exit 1
fi

# An event's card text is drawn turned by 45 degrees in picture font 3
# (DejaVu Serif Bold 14) and cut a letter at a time while it is wider than
# 92 pixels: every text must fit whole.
"$py" "$here/story.py" cards | "$py" -c '
import math, sys
from PIL import ImageFont
font = ImageFont.truetype(sys.argv[1], 14)
for line in sys.stdin:
    text = line.rstrip("\n") + " "
    left, top, right, bottom = font.getbbox(text)
    width = math.ceil((right - left + bottom - top) / math.sqrt(2))
    if width > 92:
        sys.exit("story: card text \"%s\" is %d pixels wide turned, more than 92" % (text.strip(), width))
' "$serif_bold"

jobs="$out/jobs.txt"
gui="$out/QV_GUI.build"
de="$out/QV_DE.build"
: > "$jobs"
{
  echo "// Storyline screen, timeline bands and side panel (content/disc/$stage)"
  echo "// Flags 2: whole pictures; key 2 255 0 255: magenta is transparent"
} > "$gui"
echo "// Storyline pictures and card icons (flags 2: whole pictures)" >> "$de"
job() { printf '%q ' "$@" >> "$jobs"; echo >> "$jobs"; }
# pic FRAGMENT ID FILE [keyed]: one line of a fragment.
pic() {
  if [ "${4:-}" = keyed ]; then
    echo "$2 10 \"$stage/pic/$3\" 2 0 0 2 255 0 255" >> "$1"
  else
    echo "$2 10 \"$stage/pic/$3\" 2" >> "$1"
  fi
}

# The screen: the three band backgrounds, the backdrop, the fly-in ribbon, the
# storyline view's bar, board and step buttons.
job screen pic/14000.bmp pic/14002.bmp pic/14004.bmp
pic "$gui" 14000 14000.bmp; pic "$gui" 14002 14002.bmp; pic "$gui" 14004 14004.bmp
job backdrop pic/14030.bmp; pic "$gui" 14030 14030.bmp
job ribbon pic/14101.bmp; pic "$gui" 14101 14101.bmp keyed
job rod 12 300 pic/14106.bmp; pic "$gui" 14106 14106.bmp
job board pic/14032.bmp; pic "$gui" 14032 14032.bmp keyed
states=(normal pressed hover disabled)
for i in 0 1 2 3; do
  job step_button 35 17 up "${states[i]}" "pic/$((14040 + i)).bmp"; pic "$gui" $((14040 + i)) $((14040 + i)).bmp keyed
  job step_button 35 18 down "${states[i]}" "pic/$((14045 + i)).bmp"; pic "$gui" $((14045 + i)) $((14045 + i)).bmp keyed
done
# The bands: the scale, the ends (left, right of bands 0, 1, 2) and the arrows.
job scale 345 12 pic/14100.bmp; pic "$gui" 14100 14100.bmp
ends=("14010 110 left" "14011 128 right" "14012 129 left" "14013 114 right" "14014 129 left" "14015 128 right")
for e in "${ends[@]}"; do
  read -r id w side <<<"$e"
  job band_end "$w" 116 "$side" "pic/$id.bmp"; pic "$gui" "$id" "$id.bmp" keyed
done
job arrow 66 116 0 pic/14060.bmp; pic "$gui" 14060 14060.bmp keyed
job arrow 66 116 1 pic/14061.bmp; pic "$gui" 14061 14061.bmp keyed
# The side panel: its scale, its upper and lower ends and its arrows.
job scale 12 309 pic/14105.bmp; pic "$gui" 14105 14105.bmp
job panel_end 116 132 top pic/14016.bmp; pic "$gui" 14016 14016.bmp keyed
job panel_end 116 132 bottom pic/14017.bmp; pic "$gui" 14017 14017.bmp keyed
job arrow 116 66 0 pic/14065.bmp; pic "$gui" 14065 14065.bmp keyed
job arrow 116 66 1 pic/14066.bmp; pic "$gui" 14066 14066.bmp keyed

# Per storyline (base B): its picture B + 1 and its card icons, on the bands
# B + 3, 5, 7 (normal, pressed, under the pointer) and B + 9 (highlighted),
# on the panel B + 11, 13, 15 and B + 17.
icon_states=(normal pressed hover highlight)
while read -r n base colour symbol; do
  job medallion "$colour" "$symbol" "pic/$((base + 1)).bmp"; pic "$de" $((base + 1)) $((base + 1)).bmp
  for i in 0 1 2 3; do
    job marker 7 15 "$colour" "${icon_states[i]}" "pic/$((base + 3 + 2 * i)).bmp"
    pic "$de" $((base + 3 + 2 * i)) $((base + 3 + 2 * i)).bmp
    job marker 15 7 "$colour" "${icon_states[i]}" "pic/$((base + 11 + 2 * i)).bmp"
    pic "$de" $((base + 11 + 2 * i)) $((base + 11 + 2 * i)).bmp
  done
done < <("$py" "$here/story.py" pictures)

cd "$out"
export MAGICK_THREAD_LIMIT=1
if ! xargs -d '\n' -P "$(nproc)" -n 1 bash -c 'source "$0"; eval "$1"' "$here/draw.sh" < "$jobs"; then
  echo "$stage: drawing failed (see the messages above; jobs in $jobs)" >&2
  exit 1
fi
rm -f "$jobs"

# Every picture of the fragments at the size the screen places it at.
declare -A size=([14000]=640x138 [14002]=640x135 [14004]=640x207 [14030]=360x281 [14101]=345x285
  [14106]=12x300 [14032]=171x131 [14100]=345x12 [14105]=12x309 [14010]=110x116 [14011]=128x116
  [14012]=129x116 [14013]=114x116 [14014]=129x116 [14015]=128x116 [14016]=116x132 [14017]=116x132
  [14060]=66x116 [14061]=66x116 [14065]=116x66 [14066]=116x66)
for i in 0 1 2 3; do size[$((14040 + i))]=35x17; size[$((14045 + i))]=35x18; done
while read -r n base colour symbol; do
  size[$((base + 1))]=51x51
  for i in 0 1 2 3; do size[$((base + 3 + 2 * i))]=7x15; size[$((base + 11 + 2 * i))]=15x7; done
done < <("$py" "$here/story.py" pictures)
count=0
while read -r id file; do
  want=${size[$id]:-}
  [ -n "$want" ] || { echo "$stage: no size known for picture $id" >&2; exit 1; }
  got=$(identify -format '%wx%h' "$file")
  [ "$got" = "$want" ] || { echo "$stage: picture $id: $file is $got, not $want" >&2; exit 1; }
  count=$((count + 1))
done < <(sed -n 's|^\([0-9]*\) 10 "'"$stage"'/\([^"]*\)".*|\1 \2|p' "$gui" "$de")
# Keyed pictures: no pixel may be a blend of magenta and the picture (a
# fringe the key would not take away).
sed -n 's|^[0-9]* 10 "'"$stage"'/\([^"]*\)" 2 0 0 2 255 0 255$|\1|p' "$gui" "$de" | "$py" -c '
import sys
from PIL import Image
for name in sys.stdin.read().split():
    img = Image.open(name).convert("RGB")
    fringe = sum(1 for r, g, b in img.getdata() if (r, g, b) != (255, 0, 255) and r > 150 and b > 150 and g < 110)
    if fringe:
        sys.exit("story: %s has %d pixels blended with the key colour" % (name, fringe))
'
# The backdrop (14030) lies under the bands: outside the free row of its
# lettering (rows 237-256) nothing of it may be much lighter than its dark
# ground (brightness 60 of 255 at most), so that the bands' rulers, posts,
# arrows and cards read over a calm ground.
check_backdrop_calm() {
  "$py" - "$out/pic/14030.bmp" <<'PY'
import sys
from PIL import Image
img = Image.open(sys.argv[1]).convert("L")
w, h = img.size
light = [(x, y) for y in range(h) if not 237 <= y <= 256 for x in range(w) if img.getpixel((x, y)) > 60]
if light:
    sys.exit("story: the backdrop 14030 has %d light pixels under the bands (the first at %d,%d)" % (len(light), *light[0]))
PY
}
check_backdrop_calm
# Ids from 18000 up belong to the language archive, the rest to the GUI's.
awk '/^[0-9]/ { if ($1 < 18000) { print FILENAME ": id " $1 " below 18000"; bad = 1 } } END { exit bad }' "$de"
awk '/^[0-9]/ { if ($1 >= 18000 || $1 < 50 || ($1 >= 6000 && $1 <= 7000)) { print FILENAME ": id " $1 " not a GUI id"; bad = 1 } } END { exit bad }' "$gui"
echo "$stage: $(grep -c '^[0-9]' "$de") texts and pictures in QV_DE, $count pictures in all"
