#!/usr/bin/env bash
# The pictures of the carousel screen: the ring's backdrop (3000), the two
# default views of the house for ring places without a bubble of their own
# (3010/3011 odd, 3020/3021 even: crops of the garden panorama of the tour
# stage's renders, plain and lit), the opening animation (3050-3070), the
# details' unrolling paper (3100-3125), the detail panel (3150), its scroll
# buttons (3040/3042, 3043/3045); the go buttons (10010-10016) are the index
# stage's, which the index screen shares. Drawn with ImageMagick, all
# jobs in parallel; magenta is the key colour of the shaped ones.
#
# The places' own pictures (bubble base + 3 and + 5) come from the tour stage.
# Usage: make.sh OUTDIR TOOL
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make.sh OUTDIR TOOL}"
stage="$(basename "$here")"
mkdir -p "$out/pic"
out="$(cd "$out" && pwd)"
fail() {
  echo "$stage: $*" >&2
  exit 1
}
command -v convert >/dev/null || fail "convert not found: apt-get install imagemagick"
fc-list : file 2>/dev/null | grep DejaVuSerif-Bold >/dev/null || fail "DejaVu Serif Bold not found: apt-get install fonts-dejavu-core"
garden="$here/../tour/renders/BU008-garden.jpg"
[ -f "$garden" ] || fail "the garden panorama is missing: $garden (content/disc/tour/renders)"
jobs="$(nproc 2>/dev/null || echo 4)"
KEY='#ff00ff'
SERIF=DejaVu-Serif-Bold
frag="$out/QV_GUI.build"
{
  echo "// Carousel screen (content/disc/$stage)"
  echo "// Flags 2: whole pictures; key 2 255 0 255: magenta is transparent"
} >"$frag"
pic() { # ID FILE [keyed]
  if [ "${3:-}" = keyed ]; then
    echo "$1 10 \"$stage/pic/$2\" 2 0 0 2 255 0 255" >>"$frag"
  else
    echo "$1 10 \"$stage/pic/$2\" 2" >>"$frag"
  fi
}
cd "$out/pic"

# --- the ring's backdrop: dusk over a wooden platform under the ring ---------
convert -size 400x379 gradient:'#2a3c55'-'#120c07' \
  -fill '#00000040' -draw "ellipse 210,128 168,44 0,360" \
  -fill '#4a321c' -draw "ellipse 210,122 160,40 0,360" \
  -fill none -stroke '#c8a050' -strokewidth 2 -draw "ellipse 210,122 160,40 0,360" \
  -stroke '#6e5020' -strokewidth 1 -draw "ellipse 210,122 132,30 0,360" \
  -stroke none -font "$SERIF" -pointsize 15 -gravity South \
  -fill '#00000080' -annotate +1+9 'Ansichten des Hauses' -fill '#e0c078' -annotate +0+10 'Ansichten des Hauses' \
  -type truecolor BMP3:3000.bmp || fail "backdrop 3000"
pic 3000 3000.bmp

# --- default views: crops of the garden panorama, plain and lit --------------
view() { # ID CROP
  convert "$garden" -crop "$2" +repage -resize '76x60!' -bordercolor '#3a2814' -border 1 -resize '76x60!' \
    -type truecolor "BMP3:$1.bmp" || fail "view $1 from $garden"
  convert "$garden" -crop "$2" +repage -resize '72x56!' -modulate 118,115 \
    -bordercolor '#f4d27a' -border 2 -type truecolor "BMP3:$(($1 + 1)).bmp" || fail "lit view $(($1 + 1))"
  pic "$1" "$1.bmp"
  pic "$(($1 + 1))" "$(($1 + 1)).bmp"
}
view 3020 560x440+1180+180 # the house from the garden
view 3010 460x360+660+280  # the well and the trees

# --- scroll buttons (20 x 16): brass arrows ----------------------------------
arrow() { # ID POINTS FILL
  convert -size 20x16 xc:"$KEY" +antialias -fill '#2a1a08' -draw "polygon $2" \
    -fill "$3" -draw "translate 0,0 scale 1,1 polygon $2" -type truecolor "BMP3:$1.bmp" || fail "arrow $1"
  pic "$1" "$1.bmp" keyed
}
arrow 3040 "10,1 19,14 1,14" '#b88a30'
arrow 3042 "10,1 19,14 1,14" '#ffe08a'
arrow 3043 "1,1 19,1 10,14" '#b88a30'
arrow 3045 "1,1 19,1 10,14" '#ffe08a'

# --- the detail panel (332 x 181): a ledger page in a brass frame ------------
# The screen lays its controls over it (panel coordinates): the place's title
# at 21, 26 and its count at 21, 42 under a brass medallion of the house at
# the top right; the rule under them; the list of visited views (four rows
# of 17 at 46, 71, 250 wide) on ruled ledger lines in a sunken box; its
# scroll arrows at 26, 56 and 26, 146 at the ends of a groove; a flourish at
# the foot. An entry without visited views still shows its ledger.
ledger=()
for k in 0 1 2 3; do ledger+=(-draw "line 52,$((71 + 17 * k + 15)) 294,$((71 + 17 * k + 15))"); done
corners=()
for xy in 10,10 321,10 10,170 321,170; do
  x=${xy%,*} y=${xy#*,}
  corners+=(-draw "polygon $x,$((y - 4)) $((x + 4)),$y $x,$((y + 4)) $((x - 4)),$y")
done
convert -size 332x181 xc:'#e8d9b5' +noise Uniform -attenuate 0.15 \
  -fill '#dccb9f' -stroke '#b89a68' -strokewidth 1 -draw "rectangle 47,68 299,143" \
  -stroke '#f4e8c8' -draw "line 48,143 299,143" -draw "line 299,69 299,143" \
  -stroke '#c9b488' "${ledger[@]}" \
  -stroke '#b89a68' -fill '#d4c194' -draw "roundrectangle 33,72 39,146 3,3" \
  -stroke '#a08060' -draw "line 52,62 311,62" \
  -stroke '#a08060' -draw "line 96,160 152,160" -draw "line 180,160 236,160" \
  -fill '#c8a050' -stroke '#6e5020' -draw "polygon 166,154 174,160 166,166 158,160" \
  -fill '#2a1a08' -stroke none -draw "circle 292,32 292,54" \
  -fill '#c8a050' -draw "circle 292,32 292,52" -fill '#f1d98e' -draw "circle 291,31 291,48" \
  -fill '#4a321c' -draw "polygon 278,33 292,20 306,33 302,33 302,45 282,45 282,33" \
  -fill '#f1d98e' -draw "rectangle 289,37 295,45" \
  -fill none -stroke '#8c6623' -strokewidth 4 -draw "rectangle 2,2 329,178" \
  -stroke '#f1d98e' -strokewidth 1 -draw "rectangle 5,5 326,175" \
  -fill '#c8a050' -stroke '#6e5020' "${corners[@]}" \
  -type truecolor BMP3:3150.bmp || fail "panel 3150"
pic 3150 3150.bmp

# --- animations: frames drawn over the backdrop where they stand ------------
: >jobs.txt
for f in $(seq 0 20); do # the opening: a brass medallion with the house unfolds (170, 175)
  s=$((f * 100 / 20))
  rx=$((44 * s / 100)) ry=$((52 * s / 100))
  echo "convert 3000.bmp -crop 99x114+170+175 +repage -fill '#2a1a08' -draw 'ellipse 49,57 $((rx + 2)),$((ry + 2)) 0,360' -fill '#c8a050' -draw 'ellipse 49,57 $rx,$ry 0,360' -fill '#4a321c' -draw 'translate 49,57 scale $s,$s scale 0.01,0.01 polygon -22,2 0,-18 22,2 16,2 16,22 -16,22 -16,2' -fill '#f1d98e' -draw 'translate 49,57 scale $s,$s scale 0.01,0.01 rectangle -4,10 4,22' -type truecolor BMP3:$((3050 + f)).bmp" >>jobs.txt
  pic $((3050 + f)) $((3050 + f)).bmp
done
for f in $(seq 0 25); do # the details: paper unrolling from the middle (92, 173)
  h=$((2 + 141 * f / 25))
  top=$((71 - h / 2))
  echo "convert 3000.bmp -crop 225x143+92+173 +repage -fill '#8c6623' -draw 'rectangle 0,$top 224,$((top + h))' -fill '#e8d9b5' -draw 'rectangle 3,$((top + 2)) 221,$((top + h - 2))' -fill '#6e5020' -draw 'rectangle 0,$((top - 3)) 224,$top' -draw 'rectangle 0,$((top + h)) 224,$((top + h + 3))' -type truecolor BMP3:$((3100 + f)).bmp" >>jobs.txt
  pic $((3100 + f)) $((3100 + f)).bmp
done
xargs -d '\n' -P "$jobs" -n 1 sh -c <jobs.txt || fail "animation frames (commands in $out/pic/jobs.txt)"
rm -f jobs.txt
echo "$stage: $(grep -c '^[0-9]' "$frag") pictures"
