#!/usr/bin/env bash
# The tour of das Ostrevan Haus: eight panoramas rendered by POV-Ray from the
# plan in house.py and the scenes in scenes/, the alternate hall (6010), the
# frames of the walks from room to room, the bubble and transition scripts
# with their German texts, the category tables, the tour's sounds (made with
# sox) and the small pictures of the tour screen.
#
# Usage: make.sh OUTDIR [TOOL]     (run by content/make-disc.sh)
#
# Renders are slow, so the JPEGs of the last rendering are kept in renders/
# beside a hash of the scene text that made each one (renders/hashes.txt); a
# render whose scene did not change is taken from there, any other is rendered
# afresh (POV-Ray needed). content/disc/tour/render.sh refreshes renders/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make.sh OUTDIR [TOOL]}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
jobs="$(nproc 2>/dev/null || echo 4)"

fail() {
  echo "tour: $*" >&2
  exit 1
}
need() { # program package
  command -v "$1" >/dev/null 2>&1 || fail "$1 not found: apt-get install $2"
}
need python3 python3
need convert imagemagick
need sox sox
need sha256sum coreutils
if command -v magick >/dev/null 2>&1; then im=(magick); else im=(convert); fi

step() { echo "tour: $*"; }

# ------------------------------------------------------------------ scenes
step "scenes from house.py"
python3 "$here/house.py" scenes "$out/scenes" || fail "house.py could not write the scenes (source content/disc/tour/house.py)"
cp "$here/scenes"/*.inc "$out/scenes/"

# The quality settings are part of every render's hash: panoramas are
# antialiased, the small frames of the walks (shown for a fraction of a
# second each) are not.
pov_options() { # width
  if [ "$1" -ge 2048 ]; then echo "-D +FN +Q9 +A0.3 +AM2 +R2 -GA"; else echo "-D +FN +Q9 -A -GA"; fi
}
render_hash() { # name width height
  {
    echo "$(pov_options "$2") $2 $3"
    cat "$out/scenes/lib.inc" "$out/scenes/furniture.inc" "$out/scenes/house.inc"
    # further includes of the scene, beyond the three every scene has
    grep -o '^#include "[^"]*"' "$out/scenes/$1.pov" | cut -d'"' -f2 |
      grep -vx -e lib.inc -e furniture.inc -e house.inc | while read -r inc; do cat "$out/scenes/$inc"; done
    cat "$out/scenes/$1.pov"
  } | sha256sum | cut -d' ' -f1
}

# Renders are JPEGs, except the flat-coloured masks, which must stay exact.
ext_of() { case "$1" in *-mask) echo png ;; *) echo jpg ;; esac; }

mkdir -p "$out/renders"
todo=()
kept=0
while read -r name width height; do
  hash="$(render_hash "$name" "$width" "$height")"
  echo "$hash $name" >>"$out/renders/hashes.txt"
  if [ -f "$here/renders/$name.$(ext_of "$name")" ] && grep -qx "$hash $name" "$here/renders/hashes.txt" 2>/dev/null; then
    cp "$here/renders/$name.$(ext_of "$name")" "$out/renders/"
    kept=$((kept + 1))
  else
    todo+=("$name $width $height")
  fi
done <"$out/scenes/renders.txt"
step "$kept renders kept from content/disc/tour/renders, ${#todo[@]} to render"

if [ ${#todo[@]} -gt 0 ]; then
  need povray povray
  # Panoramas first (the longest), every render on two threads.
  for line in "${todo[@]}"; do
    read -r _ width _ <<<"$line"
    echo "$line $(pov_options "$width")"
  done | sort -k2,2nr | (
    cd "$out/scenes"
    xargs -P "$(((jobs + 1) / 2))" -L 1 sh -c '
      name=$1 width=$2 height=$3
      shift 3
      if ! povray +I"$name.pov" +O"$name.png" +W"$width" +H"$height" "$@" +WT2 >"$name.log" 2>&1; then
        echo "tour: POV-Ray failed on content/disc/tour scene $name (house.py, scenes/*.inc); its log:" >&2
        grep -A2 -i "error" "$name.log" | head -n 12 >&2
        exit 255
      fi
      case "$name" in
        *-mask) convert "$name.png" -strip "../renders/$name.png" || exit 255 ;;
        *) convert "$name.png" -strip -quality 88 -sampling-factor 2x2 -interlace none "../renders/$name.jpg" || exit 255 ;;
      esac
      echo "tour: rendered $name"
    ' sh
  ) || fail "rendering failed"
  if [ "${TOUR_KEEP_RENDERS:-0}" = 1 ]; then
    for line in "${todo[@]}"; do
      name="${line%% *}"
      cp "$out/renders/$name.$(ext_of "$name")" "$here/renders/"
    done
    cp "$out/renders/hashes.txt" "$here/renders/hashes.txt"
    step "renders/ refreshed"
  fi
fi

# ------------------------------------------------------------------ pictures
mkdir -p "$out/pano" "$out/frames" "$out/gui"
step "panoramas, cards and frames"
for jpg in "$out/renders"/BU*.jpg; do
  name="$(basename "$jpg" .jpg)"
  code="${name%%-*}"
  cp "$jpg" "$out/pano/$code.jpg"
done
cp "$out/renders"/alt6010-*.jpg "$out/pano/alt6010.jpg"
mv "$out/renders"/BT*.jpg "$out/frames/"

# The detail photo DF001: the photograph, its highlighted version and its
# 8-bit mask, whose values are the region numbers (palette grey i at index i).
mkdir -p "$out/detail"
cp "$out/renders/DF001-desk.jpg" "$out/detail/DF001.jpg"
"${im[@]}" "$out/detail/DF001.jpg" -modulate 130,130 -fill '#ffd070' -colorize 20% -type truecolor \
  "BMP3:$out/detail/DF001-lit.bmp"
# Region 3 is the window behind the desk: the box around its green glass in
# the photograph's upper half, with the frame around it.
"${im[@]}" "$out/detail/DF001.jpg" -depth 8 "rgb:$out/detail/DF001-photo.rgb" ||
  fail "the detail photo could not be read (renders/DF001-desk.jpg)"
"${im[@]}" "$out/renders/DF001-mask.png" -depth 8 rgb:- | python3 -c '
import struct, sys
width, height = 640, 480
rgb = sys.stdin.buffer.read()
if len(rgb) != width * height * 3:
    sys.exit("tour: the detail mask render is not 640 x 480")
# red: region 1, green: region 2, black: none
values = bytearray(1 if r > 40 and r > g else 2 if g > 40 else 0 for r, g in zip(rgb[0::3], rgb[1::3]))
with open(sys.argv[1], "rb") as f:
    photo = f.read()
if len(photo) != width * height * 3:
    sys.exit("tour: the detail photo is not 640 x 480")
glass = [(i % width, i // width) for i in range(width * height // 2)
         if photo[3 * i + 1] > photo[3 * i] + 12 and photo[3 * i + 1] > photo[3 * i + 2] + 25]
if len(glass) < 2000:
    sys.exit("tour: no window in the upper half of the detail photo")
frame = 24
left, right = max(min(x for x, _ in glass) - frame, 0), min(max(x for x, _ in glass) + frame, width - 1)
top, bottom = max(min(y for _, y in glass) - frame, 0), min(max(y for _, y in glass) + frame, height - 1)
for y in range(top, bottom + 1):
    for x in range(left, right + 1):
        if values[y * width + x] == 0:
            values[y * width + x] = 3
rows = b"".join(bytes(values[y * width:(y + 1) * width]) for y in range(height - 1, -1, -1))
palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
offset = 14 + 40 + len(palette)
header = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 256)
sys.stdout.buffer.write(header + info + palette + rows)
' "$out/detail/DF001-photo.rgb" >"$out/detail/DF001-mask.bmp" ||
  fail "the mask of the detail photo could not be made (renders/DF001-mask.png, renders/DF001-desk.jpg)"
rm -f "$out/detail/DF001-photo.rgb"

# Carousel cards of each bubble (76 x 60): the default view, plain and lit.
python3 "$here/house.py" media "$out" || fail "house.py could not write the scripts and texts"
while read -r code room yaw pitch; do
  x=$(python3 -c "import math; print(int(($yaw / (2 * math.pi)) * 2048 - 228) % 2048)")
  "${im[@]}" "$out/pano/$code.jpg" \( +clone \) +append -crop 456x360+"$x"+332 +repage -resize 76x60! \
    -type truecolor "BMP3:$out/pano/$code-card.bmp"
  "${im[@]}" "$out/pano/$code-card.bmp" -modulate 125,110 -bordercolor '#e8c060' -border 0 \
    -fill none -stroke '#e8c060' -strokewidth 2 -draw 'rectangle 1,1 74,58' \
    -type truecolor "BMP3:$out/pano/$code-card-lit.bmp"
done <"$out/views.txt"

# Direction indicator (198): 24 x 24, frames 0..8 arrows in the look
# directions of a 3 x 3 grid (4 the centre), 9 empty, 10 the hotspot sign.
# Magenta is the key colour.
for frame in $(seq 0 10); do
  file="$out/gui/ind$(printf '%03d' "$frame").bmp"
  draw=()
  if [ "$frame" -eq 4 ]; then
    draw=(-fill '#f0e0b0' -stroke '#402010' -draw 'circle 12,12 12,8')
  elif [ "$frame" -eq 10 ]; then
    draw=(-fill '#e8c060' -stroke '#402010' -strokewidth 2 -draw 'circle 12,12 12,3' -fill '#402010' -stroke none
          -draw 'rectangle 11,9 13,17' -draw 'rectangle 11,6 13,7')
  elif [ "$frame" -ne 9 ]; then
    h=$((frame % 3 - 1))
    v=$((frame / 3 - 1))
    # an arrow from the centre towards (h, v), y growing downwards
    points=$(python3 -c "
import math
a = math.atan2($v, $h)
pts = [(9, 0), (-3, -7), (-3, 7)]
print(' '.join('%.1f,%.1f' % (12 + x * math.cos(a) - y * math.sin(a), 12 + x * math.sin(a) + y * math.cos(a)) for x, y in pts))")
    draw=(-fill '#f0e0b0' -stroke '#402010' -draw "polygon $points")
  fi
  "${im[@]}" -size 24x24 xc:magenta +antialias "${draw[@]}" -type truecolor "BMP3:$file"
done

# New-item animation (400): a label that flashes "Neu!" over ten frames.
for frame in $(seq 0 9); do
  glow=$((40 + frame * 6))
  "${im[@]}" -size 99x40 xc:magenta +antialias -fill "rgb($((150 + glow)),$((110 + glow)),40)" -stroke '#402010' \
    -draw 'roundrectangle 2,2 96,37 8,8' -fill '#402010' -stroke none -font DejaVu-Sans-Bold -pointsize 20 \
    -gravity center -annotate +0+0 'Neu!' -type truecolor "BMP3:$out/gui/new$(printf '%03d' "$frame").bmp" ||
    fail "ImageMagick could not draw the new-item label (needs fonts-dejavu-core)"
done

# The overlays over the tour: room records and texts, the info panel's
# aspects (table 9) and the pictures of both.
step "overlays"
python3 "$here/overlays.py" "$out" || fail "overlays.py could not write the overlay texts"
bash "$here/overlays.sh" "$out" || fail "overlays.sh could not draw the overlay pictures"

# ------------------------------------------------------------------ sounds
step "sounds"
mkdir -p "$out/snd"
snd() { # file, sox arguments after the output
  local file="$out/snd/$1"
  shift
  sox -n -r 22050 -b 16 -c 1 -e signed-integer "$file" "$@" 2>"$file.err" ||
    fail "sox failed on $(basename "$file"): $(cat "$file.err")"
  rm -f "$file.err"
}
mix() { # out in... : mixes WAVE files into one
  local file="$out/snd/$1"
  shift
  sox -m "$@" -r 22050 -b 16 -c 1 "$file" norm -12 2>"$file.err" || fail "sox failed mixing $(basename "$file"): $(cat "$file.err")"
  rm -f "$file.err"
}
# Parts of the ambiences.
snd tone-room.wav synth 8 brownnoise vol 0.25 lowpass 300
snd tone-wind.wav synth 8 brownnoise vol 0.6 lowpass 500 tremolo 0.3 60
snd tone-leaves.wav synth 8 pinknoise vol 0.25 highpass 1500 lowpass 6000 tremolo 0.5 40
snd tone-fire.wav synth 8 brownnoise vol 0.5 lowpass 900 tremolo 7 80
snd tone-crackle.wav synth 8 whitenoise vol 0.4 highpass 2000 tremolo 13 100 tremolo 3.7 100
snd tick.wav synth 0.02 sine 2200 fade 0 0.02 0.015 pad 0 0.98 repeat 7 vol 0.5
snd tock.wav synth 0.02 sine 1500 fade 0 0.02 0.015 pad 0.5 0.48 repeat 7 vol 0.4
snd tone-birds.wav synth 0.12 sine 3200-4200 fade 0 0.12 0.05 pad 0.3 1.58 repeat 3 vol 0.4
snd tone-quill.wav synth 0.3 pinknoise highpass 3000 vol 0.3 tremolo 30 100 pad 0.4 1.3 repeat 3
mix amb651.wav "$out/snd/tone-room.wav" "$out/snd/tick.wav" "$out/snd/tock.wav"
mix amb652.wav "$out/snd/tone-fire.wav" "$out/snd/tone-crackle.wav"
mix amb653.wav "$out/snd/tone-room.wav" "$out/snd/tick.wav" "$out/snd/tone-crackle.wav"
mix amb654.wav "$out/snd/tone-room.wav" "$out/snd/tone-wind.wav"
mix amb655.wav "$out/snd/tone-room.wav" "$out/snd/tone-quill.wav"
mix amb656.wav "$out/snd/tone-room.wav" "$out/snd/tone-leaves.wav"
mix amb657.wav "$out/snd/tone-wind.wav" "$out/snd/tone-leaves.wav"
mix amb658.wav "$out/snd/tone-leaves.wav" "$out/snd/tone-birds.wav" "$out/snd/tone-wind.wav"
# Footsteps: four steps each on wood (701-704), stone (705-708), gravel (709-712).
for k in 0 1 2 3; do
  pitch=$((90 + 12 * k))
  snd "step$((701 + k)).wav" synth 0.09 brownnoise lowpass $((500 + 40 * k)) synth 0.09 sine mix $pitch fade 0.002 0.09 0.07 pad 0.02 0.1 norm -6
  snd "step$((705 + k)).wav" synth 0.05 whitenoise lowpass $((2500 + 200 * k)) highpass 300 fade 0.001 0.05 0.04 pad 0.02 0.1 norm -8
  snd "step$((709 + k)).wav" synth 0.18 whitenoise highpass 1200 tremolo $((40 + 5 * k)) 90 fade 0.005 0.18 0.1 pad 0.02 0.1 norm -10
done
# Random sounds: bird calls (751, 752), a creaking board (753), a far church bell (754).
snd rnd751.wav synth 0.15 sine 2800-4600 synth 0.15 sine 4600-3000 fade 0 0.15 0.05 repeat 2 pad 0 0.3 norm -6
snd rnd752.wav synth 0.4 sine 1800-2600 tremolo 18 70 fade 0.02 0.4 0.1 pad 0 0.3 norm -8
snd rnd753.wav synth 0.5 sawtooth 70-110 lowpass 900 tremolo 23 80 fade 0.05 0.5 0.2 norm -10
snd rnd754.wav synth 3 sine 392 sine 784 sine 1176 fade 0 3 2.8 pad 0 0.5 repeat 2 norm -12
rm -f "$out/snd"/tone-*.wav "$out/snd/tick.wav" "$out/snd/tock.wav"

# ------------------------------------------------------------------ fragments
step "builder fragments"
cat "$out/de-lines.build" "$out/overlay-de.build" >"$out/QV_DE.build"
{
  echo "// The tour screen: direction indicator (11 frames) and new-item label (10 frames)."
  echo '198 10 "tour/gui/ind000.bmp" 3 0 0 2 255 0 255'
  echo '400 10 "tour/gui/new000.bmp" 3 0 0 2 255 0 255'
  echo "// Ambiences of the rooms (AMBIENT n -> 650 + n)"
  for id in $(seq 651 658); do echo "$id 0 \"tour/snd/amb$id.wav\""; done
  echo "// Footsteps (FOOTSTEPS n -> 700 + n .. 703 + n): wood 1, stone 5, gravel 9"
  for id in $(seq 701 712); do echo "$id 0 \"tour/snd/step$id.wav\""; done
  echo "// Random sounds (RANDOMk n -> 750 + n)"
  for id in 751 752 753 754; do echo "$id 0 \"tour/snd/rnd$id.wav\""; done
  cat "$out/overlay-gui.build"
} >"$out/QV_GUI.build"
{
  echo "// The alternate hall: the Diele in 1872, lit by an oil lamp."
  echo '6010 0 "tour/pano/alt6010.jpg"'
} >"$out/QV_extra.build"
rm -rf "$out/scenes" "$out/renders"
# plan.txt stays: the disc check holds the plan as drawn against the rooms' boxes and names.
rm -f "$out/views.txt" "$out/room-items.txt" "$out/plan-floors.txt" "$out"/*-lines.build "$out"/overlay-*.build
step "done"
