#!/usr/bin/env bash
# The interface pictures of the control strip (200-299), the module selector
# (300-324) and the item viewer's side bar (1100-1222): oak, brass and paper
# drawn with ImageMagick (helpers in draw.sh), all jobs in parallel. The region
# masks are written with Python's PIL so that a region's value is exactly its
# palette index. Every picture goes in whole (no crop); magenta is the key
# colour of the shaped ones.
# Usage: make.sh OUTDIR TOOL
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make.sh OUTDIR TOOL}"
stage="$(basename "$here")"
mkdir -p "$out/pic"
out="$(cd "$out" && pwd)"
command -v convert >/dev/null || { echo "$stage: convert not found: apt-get install imagemagick" >&2; exit 1; }
# Debian's python3-pil lives in the system Python, which another python3 on
# the PATH (a virtual environment) may hide.
py=python3
if ! "$py" -c 'import PIL' 2>/dev/null; then py=/usr/bin/python3; fi
"$py" -c 'import PIL' 2>/dev/null || { echo "$stage: Python PIL not found: apt-get install python3-pil" >&2; exit 1; }

jobs="$out/jobs.txt"
frag="$out/QV_GUI.build"
: > "$jobs"
{
  echo "// Control strip, module selector and viewer side bar (content/disc/$stage)"
  echo "// Flags 2: whole pictures; 3: numbered frames merged into one picture; key 2 255 0 255: magenta is transparent"
} > "$frag"
job() { printf '%q ' "$@" >> "$jobs"; echo >> "$jobs"; }
# pic ID FILE [keyed]: one line of the fragment.
pic() {
  if [ "${3:-}" = keyed ]; then
    echo "$1 10 \"$stage/pic/$2\" 2 0 0 2 255 0 255" >> "$frag"
  else
    echo "$1 10 \"$stage/pic/$2\" 2" >> "$frag"
  fi
}
# frames ID PREFIX [keyed]: a merged multi-frame picture of PREFIX01.bmp ...
frames() {
  if [ "${3:-}" = keyed ]; then
    echo "$1 10 \"$stage/pic/${2}01.bmp\" 3 0 0 2 255 0 255" >> "$frag"
  else
    echo "$1 10 \"$stage/pic/${2}01.bmp\" 3" >> "$frag"
  fi
}
# buttonset IDS(normal pressed hover disabled) W H ICON: a four-state button.
buttonset() {
  local ids=($1) w=$2 h=$3 icon=$4 states=(normal pressed hover disabled) i
  for i in 0 1 2 3; do
    [ "${ids[i]}" = - ] && continue
    job button "$w" "$h" "${states[i]}" "$icon" "pic/${ids[i]}.bmp"
    pic "${ids[i]}" "${ids[i]}.bmp" keyed
  done
}

# The bar under the strip's texts and buttons (at least 684 wide).
job bar pic/200.bmp; pic 200 200.bmp keyed
# The link target button beside the link text: a pointing arrow; in modes 2
# and 3 the way back into the tour: a house. States normal, hover, disabled.
arrow="polygon 6,11 13,11 13,7 19,13 13,19 13,15 6,15"
house="polygon 12,5 20,12 18,12 18,20 14,20 14,15 10,15 10,20 6,20 6,12 4,12"
buttonset "201 - 203 204" 24 26 "$arrow"
buttonset "250 - 252 253" 24 26 "$house"
# The status button after the status line: back.
buttonset "207 - 209 210" 22 22 "polygon 16,9 10,9 10,5 4,11 10,17 10,13 16,13"
# Tool buttons: carousel, information, rooms, leave the house.
carousel="circle 11,15 11,17"
for xy in 18,15 14.5,21.1 7.5,21.1 4,15 7.5,8.9 14.5,8.9; do  # six dots on a ring of radius 7
  carousel+=" circle $xy ${xy%,*},$(awk -v y="${xy#*,}" 'BEGIN { print y + 2.3 }')"
done
buttonset "218 219 220 221" 23 30 "$carousel"
buttonset "223 224 225 226" 23 30 "polygon 3,10 10,12 10,23 3,21 polygon 12,12 19,10 19,21 12,23 rectangle 10,11 12,24"
buttonset "228 229 230 231" 23 30 "rectangle 4,7 18,8 rectangle 4,22 18,23 rectangle 4,7 5,23 rectangle 17,7 18,23 rectangle 11,7 12,15 rectangle 4,14 14,15 rectangle 8,18 9,23"
buttonset "233 234 235 236" 23 30 "rectangle 5,4 17,5 rectangle 5,4 6,26 rectangle 16,4 17,26 polygon 7,6 14,8 14,25 7,26 circle 12,16 12,17"
# The caption line's end piece.
job capbox pic/240.bmp; pic 240 240.bmp keyed
# The turn shown while the strip changes its layout: 17 frames, the face at 8.
for k in $(seq 0 16); do job selector_flip "$k" "pic/f299_$(printf %02d $((k + 1))).bmp"; done
frames 299 f299_ keyed

# Module selector: per button a strip of 12 frames and its highlight picture,
# the region mask and the disabled looks. Button (region) 4 uses 300/304/308,
# 1 uses 301/305/309, 3 uses 302/306/310 and 2 uses 303/307/311.
declare -A region_of=([300]=4 [301]=1 [302]=3 [303]=2)
for strip in 300 301 302 303; do
  r=${region_of[$strip]}
  for f in $(seq 0 11); do
    job selector_strip_frame "$r" "$f" 0 "pic/s${strip}_$(printf %02d $((f + 1))).bmp"
    job selector_strip_frame "$r" "$f" 1 "pic/s$((strip + 4))_$(printf %02d $((f + 1))).bmp"
  done
  frames "$strip" "s${strip}_" keyed
  frames "$((strip + 4))" "s$((strip + 4))_" keyed
done
"$py" - "$out/pic" <<'PY'
# The region masks: 8-bit, palette index = region value (0 outside, 1-4 the
# four bosses' quarters of the selector), index 0 black and 255 white.
import sys
from PIL import Image, ImageDraw
folder = sys.argv[1]
palette = [0, 0, 0] * 256
palette[255 * 3:255 * 3 + 3] = [255, 255, 255]
for value, rgb in {1: (200, 60, 60), 2: (60, 200, 60), 3: (60, 60, 200), 4: (200, 200, 60)}.items():
    palette[value * 3:value * 3 + 3] = list(rgb)
quarters = {1: (3, 3, 35, 43), 2: (37, 3, 68, 43), 3: (3, 45, 35, 84), 4: (37, 45, 68, 84)}
for mask_id in (308, 309, 310, 311):
    img = Image.new("P", (72, 88), 0)
    img.putpalette(palette)
    draw = ImageDraw.Draw(img)
    for value, box in quarters.items():
        draw.rectangle(box, fill=value)
    img.save(f"{folder}/{mask_id}.bmp")
PY
for m in 308 309 310 311; do echo "$m 10 \"$stage/pic/$m.bmp\" 34 0 8" >> "$frag"; done
# Disabled: 320 nothing chosen, 320 + n module n chosen (its boss ringed).
job selector_face pic/320.bmp 0 0 0 0 0 1
# The chosen boss keeps some light so that it stands out of the grey.
for n in 1 2 3 4; do
  lits=(0 0 0 0); lits[n - 1]=1000
  job selector_face "pic/$((320 + n)).bmp" "${lits[@]}" "$n" 1
done
for n in 320 321 322 323 324; do pic "$n" "$n.bmp" keyed; done

# Item viewer side bar (52 wide at x 581).
# Its two buttons with words, "Zurück" and "Zum Ort", are raised brass
# push-buttons with room around the word; "Ansehen" (the caption of the play
# buttons) is cut into the oak, and the card above "Zum Ort" shows the place.
job pushbutton 40 18 "Zurück" 8 normal pic/1220.bmp; pic 1220 1220.bmp keyed
job pushbutton 40 18 "Zurück" 8 hover pic/1221.bmp; pic 1221 1221.bmp keyed
job pushbutton 40 18 "Zurück" 8 disabled pic/1222.bmp; pic 1222 1222.bmp keyed
job sidepanel 52 50 21 pic/1180.bmp; pic 1180 1180.bmp
job sidepanel 52 50 23 pic/1185.bmp; pic 1185 1185.bmp
job engraved 52 26 "Ansehen" 9 21 pic/1210.bmp; pic 1210 1210.bmp
job card 52 30 normal pic/1190.bmp; pic 1190 1190.bmp
job card 52 30 off pic/1200.bmp; pic 1200 1200.bmp
job pushbutton 56 22 "Zum Ort" 9 normal pic/1170.bmp; pic 1170 1170.bmp keyed
job pushbutton 56 22 "Zum Ort" 9 pressed pic/1150.bmp; pic 1150 1150.bmp keyed
job pushbutton 56 22 "Zum Ort" 9 hover pic/1160.bmp; pic 1160 1160.bmp keyed
buttonset "1100 1102 1104 1106" 40 16 "rectangle 11,3 12,12 polygon 13,8 19,3 19,13 polygon 20,8 26,3 26,13"
buttonset "1130 1132 1134 1136" 40 16 "rectangle 15,3 18,12 rectangle 22,3 25,12"
buttonset "1140 1142 1144 1146" 40 16 "polygon 16,3 26,8 16,13"

cd "$out"
export MAGICK_THREAD_LIMIT=1
# One job a line, quoted for the shell; each runs in a shell with the helpers.
# The wood textures first (many pictures share them), then every picture.
mkdir -p wood
printf '%s\n' "wood 72 88 5 wood/5-72x88.bmp" "wood 72 88 9 wood/9-72x88.bmp" "wood 688 53 11 wood/11-688x53.bmp" \
  "wood 52 50 21 wood/21-52x50.bmp" "wood 52 50 23 wood/23-52x50.bmp" |
  xargs -d '\n' -P "$(nproc)" -n 1 bash -c 'source "$0"; eval "$1"' "$here/draw.sh"
if ! xargs -d '\n' -P "$(nproc)" -n 1 bash -c 'source "$0"; eval "$1"' "$here/draw.sh" < "$jobs"; then
  echo "$stage: drawing failed (see the messages above; jobs in $jobs)" >&2
  exit 1
fi
rm -rf "$jobs" wood

# Check what the screens rely on: every picture of the fragment at its size,
# multi-frame pictures with equal frames, the region masks 8-bit with only the
# values 0-4 and index 0 black, 255 white.
declare -A size=([200]=688x53 [201]=24x26 [250]=24x26 [207]=22x22 [218]=23x30 [223]=23x30 [228]=23x30
  [233]=23x30 [240]=10x20 [299]=72x88 [300]=72x88 [304]=72x88 [308]=72x88 [320]=72x88 [1100]=40x16
  [1130]=40x16 [1140]=40x16 [1150]=56x22 [1160]=56x22 [1170]=56x22 [1180]=52x50 [1185]=52x50 [1190]=52x30 [1200]=52x30 [1210]=52x26
  [1220]=40x18)
while read -r id file; do
  # A picture's size is that of the nearest listed id at most 6 below it.
  base=$id
  for b in "${!size[@]}"; do
    if (( id >= b && id <= b + 6 && (base == id || b > base) )) && [ -z "${size[$id]:-}" ]; then base=$b; fi
  done
  want=${size[$base]:-}
  [ -n "$want" ] || { echo "$stage: no size known for picture $id" >&2; exit 1; }
  if [[ "$file" == *_01.bmp ]]; then files=("${file%01.bmp}"*.bmp); else files=("$file"); fi
  for f in "${files[@]}"; do
    got=$(identify -format '%wx%h' "$f")
    [ "$got" = "$want" ] || { echo "$stage: picture $id: $f is $got, not $want" >&2; exit 1; }
  done
done < <(sed -n 's|^\([0-9]*\) 10 "'"$stage"'/\([^"]*\)".*|\1 \2|p' "$frag")
"$py" - pic/308.bmp pic/309.bmp pic/310.bmp pic/311.bmp <<'PY'
import sys
from PIL import Image
for path in sys.argv[1:]:
    img = Image.open(path)
    pal = img.getpalette()
    values = set(img.getdata())
    if img.mode != "P" or not values <= {0, 1, 2, 3, 4} or pal[0:3] != [0, 0, 0] or pal[765:768] != [255, 255, 255]:
        sys.exit(f"strip: region mask {path} is not 8-bit with values 0-4, black 0 and white 255")
PY
# 100: the title's default colour table (flag 1: with its nearest-index and
# shade tables, built by the builder).
"$py" "$here/palette.py" "$out/palette.rcx" || { echo "$stage: writing the colour table 100 failed" >&2; exit 1; }
echo "100 20 \"$stage/palette.rcx\" 1" >> "$frag"
echo "$stage: $(grep -c '^[0-9]' "$frag") pictures in $frag"
