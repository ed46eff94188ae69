#!/usr/bin/env bash
# The historical photographs of das Ostrevan Haus (HP001-HP003): the house and
# two of its rooms about 1890, rendered by POV-Ray from the tour's model (its
# plan content/disc/tour/house.py and scenes) with the cameras of scenes/, then
# aged with ImageMagick; for each its highlighted version, its 8-bit mask of
# hotspot regions (rendered in flat colours), its record and text, and a
# caption picture; and the decoration of the historical photo screen (17000).
#
# Usage: make.sh OUTDIR [TOOL]     (run by content/make-disc.sh)
#
# The renders are kept in renders/ beside a hash of the scene text that made
# each one (renders/hashes.txt) and taken from there while it matches; any
# other is rendered afresh (POV-Ray needed). render.sh refreshes renders/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make.sh OUTDIR [TOOL]}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
tour="$here/../tour"

fail() {
  echo "photos: $*" >&2
  exit 1
}
need() { # program package
  command -v "$1" >/dev/null 2>&1 || fail "$1 not found: apt-get install $2"
}
need python3 python3
need convert imagemagick
need sha256sum coreutils
need fc-match fontconfig
step() { echo "photos: $*"; }

font="$(fc-match -f '%{file}' 'DejaVu Serif')"
[ -f "$font" ] || fail "the font DejaVu Serif was not found: apt-get install fonts-dejavu-core"

# name, item base id, photograph width and height (with its 8-pixel border),
# the year of its caption. The screen shows each at window y 22: every one
# ends above the caption line at window y 408 (see check_clear_of_caption).
photos=(
  "HP001 19800 300 376 1890"
  "HP002 19810 485 360 1890"
  "HP003 19820 501 380 1900"
)

# ------------------------------------------------------------------ renders
step "scenes from the tour's plan"
mkdir -p "$out/scenes" "$out/renders"
python3 "$tour/house.py" scenes "$out/scenes" >/dev/null || fail "house.py could not write the scenes (source content/disc/tour/house.py)"
cp "$tour/scenes"/*.inc "$out/scenes/"
cp "$here/scenes"/*.pov "$out/scenes/"

render_options="-D +FN +Q9 +A0.3 -GA"
render_hash() { # scene
  {
    echo "$render_options"
    cat "$out/scenes/$1.pov"
    case "$1" in
      *-regions) ;;
      *) cat "$out/scenes/lib.inc" "$out/scenes/furniture.inc" "$out/scenes/house.inc" ;;
    esac
  } | sha256sum | cut -d' ' -f1
}
kept=0
rendered=0
for line in "${photos[@]}"; do
  read -r name _ width height _ <<<"$line"
  for scene in "$name" "$name-regions"; do
    hash="$(render_hash "$scene")"
    if [ -f "$here/renders/$scene.png" ] && grep -qx "$scene $hash" "$here/renders/hashes.txt" 2>/dev/null; then
      cp "$here/renders/$scene.png" "$out/renders/"
      kept=$((kept + 1))
      continue
    fi
    need povray povray
    # The picture inside the border.
    (cd "$out/scenes" && povray +I"$scene.pov" +O"$scene.png" +W$((width - 16)) +H$((height - 16)) \
      $render_options +WT2 >"$scene.log" 2>&1) ||
      fail "POV-Ray failed on content/disc/photos/scenes/$scene.pov; its log: $(grep -A2 -i error "$out/scenes/$scene.log" | head -n 6)"
    convert "$out/scenes/$scene.png" -strip "$out/renders/$scene.png" || fail "could not keep the render of $scene"
    if [ "${PHOTOS_KEEP_RENDERS:-0}" = 1 ]; then
      cp "$out/renders/$scene.png" "$here/renders/"
      { grep -v "^$scene " "$here/renders/hashes.txt" 2>/dev/null || true; echo "$scene $hash"; } | sort >"$here/renders/hashes.new"
      mv "$here/renders/hashes.new" "$here/renders/hashes.txt"
    fi
    rendered=$((rendered + 1))
  done
done
step "$kept renders kept from content/disc/photos/renders, $rendered rendered"

# ------------------------------------------------------------------ pictures
text() { # file text: the text in code page 1252
  printf '%s' "$2" | iconv -f UTF-8 -t CP1252 >"$1" || fail "could not write the text $1"
}
mkdir -p "$out/pictures" "$out/text"
paper='#efe6d2'
for line in "${photos[@]}"; do
  read -r name base width height year <<<"$line"
  src="$out/renders/$name.png"
  # The photograph: sepia, grain, darker edges and a paper border.
  convert "$src" -modulate 92,40 -level 4%,96%,0.9 -sepia-tone 80% -attenuate 0.25 +noise Gaussian \
    -background '#3a2a1a' -vignette 0x36+0+0 -bordercolor "$paper" -border 8 -resize "${width}x${height}!" \
    -type truecolor \
    "BMP3:$out/pictures/$name.bmp" || fail "could not age the photograph of $name"
  # The highlighted photograph, shown over the hotspot under the pointer.
  convert "$out/pictures/$name.bmp" -modulate 125,120 -fill '#ffd070' -colorize 18% -type truecolor \
    "BMP3:$out/pictures/$name-lit.bmp" || fail "could not light the photograph of $name"
  # The mask: palette index = region (red 1, green 2, anything else 0),
  # bordered like the photograph.
  convert "$out/renders/$name-regions.png" -bordercolor black -border 8 -filter point -resize "${width}x${height}!" \
    -depth 8 rgb:- | python3 -c '
import struct, sys
width, height = int(sys.argv[1]), int(sys.argv[2])
rgb = sys.stdin.buffer.read()
if len(rgb) != width * height * 3:
    sys.exit("photos: the region render is not %d x %d" % (width, height))
values = bytes(1 if r > 40 and r > g else 2 if g > 40 else 0 for r, g in zip(rgb[0::3], rgb[1::3]))
pad = b"\0" * (-width % 4)  # rows of a BMP end on a four-byte boundary
rows = b"".join(values[y * width:(y + 1) * width] + pad for y in range(height - 1, -1, -1))
palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
offset = 14 + 40 + len(palette)
header = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 256)
sys.stdout.buffer.write(header + info + palette + rows)
' "$width" "$height" >"$out/pictures/$name-mask.bmp" || fail "could not make the mask of $name (scenes/$name-regions.pov)"
  # The caption picture: the year on a slip of paper (at most 119 wide).
  convert -size 110x40 xc:"$paper" -font "$font" -pointsize 18 -fill '#4a3520' -gravity center \
    -annotate +0+0 "um $year" -bordercolor '#8a6a40' -border 1 -type truecolor \
    "BMP3:$out/pictures/$name-caption.bmp" || fail "could not draw the caption of $name"
done

# The decoration beside the photographs: a stack of two old prints on dark
# leather, each a small photograph on its paper mount (the hall and the
# salon, from the photographs above), turned a little against each other.
# It stands at window y 200; the prints end above row 200 of it (window y
# 400), so that the caption line below them runs over the dark leather only.
print_card() { # picture rotation output: a print 151 x 154, the photograph inset at 11,11
  convert \( -size 151x154 xc:"$paper" -fill none -stroke '#8a6a40' -draw "rectangle 0,0 150,153" \) \
    \( "$1" -resize 129x115^ -gravity center -extent 129x115 \) -gravity NorthWest -geometry +11+11 -composite \
    -background none -rotate "$2" "png32:$3"
}
print_card "$out/pictures/HP003.bmp" -8 "$out/pictures/print-back.png" || fail "could not draw the decoration's prints (17000)"
print_card "$out/pictures/HP002.bmp" 5 "$out/pictures/print-top.png" || fail "could not draw the decoration's prints (17000)"
convert -size 242x419 xc:'#3a281c' -attenuate 0.5 +noise Multiplicative -blur 0x1 \
  "$out/pictures/print-back.png" -geometry +35+19 -composite \
  "$out/pictures/print-top.png" -geometry +34+29 -composite \
  -alpha off -type truecolor "BMP3:$out/pictures/decoration.bmp" || fail "could not draw the decoration (17000)"
rm -f "$out/pictures/print-back.png" "$out/pictures/print-top.png"

# The historical photo screen shows the photograph at window y 22 and the
# strip's caption line at y 408: a photograph taller than 382 would stand
# under the caption's text.
check_clear_of_caption() {
  local line name height
  for line in "${photos[@]}"; do
    read -r name _ _ height _ <<<"$line"
    [ $((22 + height)) -le 404 ] || fail "the photograph $name (height $height) reaches the caption line at y 408"
  done
}
# The top print of the decoration shows a photograph, not an empty mount:
# its middle (around the inset's centre, 116,103 of the decoration) varies.
check_prints_show_pictures() {
  local spread
  spread="$(convert "$out/pictures/decoration.bmp" -crop 80x70+76+68 +repage -colorspace gray -format '%[fx:standard_deviation]' info:)" ||
    fail "could not read the decoration (17000)"
  python3 -c 'import sys; sys.exit(0 if float(sys.argv[1]) > 0.04 else 1)' "$spread" ||
    fail "the decoration's top print shows an empty mount (spread $spread), not a photograph"
}
check_clear_of_caption
check_prints_show_pictures

# ------------------------------------------------------------------ records and texts
records=(
  "HP001|HOTSPOT { MASKINDEX 1 INFO BU001 } HOTSPOT { MASKINDEX 2 INFO BU001 }|Das Haus an der Straße, um 1890"
  "HP002|HOTSPOT { MASKINDEX 1 INFO BU004 } HOTSPOT { MASKINDEX 2 INFO BU002 }|Die Diele um 1890"
  "HP003|HOTSPOT { MASKINDEX 1 INFO BU001 }|Der Salon um 1900"
)
: >"$out/QV_DE.build"
: >"$out/QV_GUI.build"
{
  echo "// The historical photographs (stage photos): record B, photograph B + 1,"
  echo "// highlighted photograph B + 2, mask B + 3, text B + 4, caption picture B + 5."
} >>"$out/QV_DE.build"
for k in "${!photos[@]}"; do
  read -r name base _ _ _ <<<"${photos[$k]}"
  IFS='|' read -r code hotspots caption <<<"${records[$k]}"
  text "$out/text/$name.txt" "HISTORICALPHOTO {
  ID $code
  HOTSPOTS { $hotspots }
}
"
  text "$out/text/$name-text.txt" "$caption"
  {
    echo "$base 40 \"photos/text/$name.txt\""
    echo "$((base + 1)) 10 \"photos/pictures/$name.bmp\" 2 0 16"
    echo "$((base + 2)) 10 \"photos/pictures/$name-lit.bmp\" 2 0 16"
    echo "$((base + 3)) 10 \"photos/pictures/$name-mask.bmp\" 34 0 8"
    echo "$((base + 4)) 40 \"photos/text/$name-text.txt\""
    echo "$((base + 5)) 10 \"photos/pictures/$name-caption.bmp\" 2 0 16"
  } >>"$out/QV_DE.build"
done
{
  echo "// The decoration of the historical photo screen (stage photos)."
  echo "17000 10 \"photos/pictures/decoration.bmp\" 2 0 16"
} >>"$out/QV_GUI.build"
step "three historical photographs and the decoration made"
