#!/usr/bin/env bash
# Pictures of the two overlays over the tour, drawn with ImageMagick: the room
# plan (background 3301, plan 3600, buttons and scroll bar 33xx-38xx, the item
# buttons of the rooms) and the info panel (page 16000, its twelve unfolding
# frames 16010-16021, ornaments, arrows, close button, scroll bar 162xx).
# Magenta is the key colour of the buttons (see keyed); the unfolding frames
# key black.
# Usage: overlays.sh OUTDIR   (OUTDIR holds plan.txt, plan-floors.txt and room-items.txt from
# overlays.py); writes OUTDIR/overlay/*.bmp and appends to OUTDIR/overlay-gui.build.
set -euo pipefail
out="$1"
if command -v magick >/dev/null 2>&1; then im=(magick); else im=(convert); fi
dir="$out/overlay"
mkdir -p "$dir"
build="$out/overlay-gui.build"
PAPER='#e9dcb8'
# The rooms' boxes on the plan.
BOX='#f6efd8'
INK='#402010'
KEY='255 0 255'

pic() { # id file [key: magenta|black|none] -- ImageMagick arguments
  local id="$1" file="$2" key="$3"
  shift 4
  "${im[@]}" "$@" -type truecolor "BMP3:$dir/$file.bmp" || { echo "overlays: ImageMagick failed on $file" >&2; exit 1; }
  case "$key" in
    magenta) echo "$id 10 \"tour/overlay/$file.bmp\" 2 0 0 2 $KEY" ;;
    black) echo "$id 10 \"tour/overlay/$file.bmp\" 2 0 0 2 0 0 0" ;;
    *) echo "$id 10 \"tour/overlay/$file.bmp\" 2 0 16" ;;
  esac >>"$build"
}

# A keyed picture: drawn on a transparent canvas (the arguments after --
# start with "-size WxH xc:none"), its edge pixels blended onto the colour it
# stands on (BG), then each pixel either kept whole (at least half covered)
# or made exactly the key (KEY: magenta, else black). An antialiased edge
# drawn straight onto the key colour would keep a blend of the two that the
# key does not take out: a fringe of the key's colour around the shape.
keyed() { # id file BG [KEY] -- ImageMagick arguments
  local id="$1" file="$2" bg="$3" key=magenta
  shift 3
  if [ "$1" != -- ]; then key="$1"; shift; fi
  shift
  pic "$id" "$file" "$key" -- \( "$@" \) \( -clone 0 -background "$bg" -flatten \) \
    \( -clone 0 -alpha extract -threshold 50% \) -delete 0 -alpha off -compose CopyOpacity -composite \
    -background "$key" -compose over -flatten
}

# A scroll bar's pictures: its track (TRACK, 9 x LENGTH) and thumb (TRACK + 1),
# and its up and down arrows in three shades (UP + k, UP + 10 + k).
scroll_bar() { # TRACK LENGTH UP NAME UPNAME DOWNNAME
  local track=$1 length=$2 up=$3 k shade
  pic "$track" "$4-track" none -- -size "9x$length" xc:'#c8b078' -fill none -stroke "$INK" \
    -draw "rectangle 0,0 8,$((length - 1))"
  pic $((track + 1)) "$4-thumb" none -- -size 9x20 xc:"$INK"
  for k in 0 1 2; do
    shade=$(( (k == 1) ? 150 : (k == 2 ? 230 : 200) ))
    pic $((up + k)) "$5$k" none -- -size 9x13 xc:"rgb($shade,$((shade - 20)),$((shade - 60)))" \
      -fill "$INK" -draw 'polygon 4,3 8,9 0,9'
    pic $((up + 10 + k)) "$6$k" none -- -size 9x13 xc:"rgb($shade,$((shade - 20)),$((shade - 60)))" \
      -fill "$INK" -draw 'polygon 0,3 8,3 4,9'
  done
}

# A button in three states (normal P+1, pressed P+2, under the pointer P+3),
# standing on BG.
button3() { # base name width height label BG
  local base="$1" name="$2" w="$3" h="$4" label="$5" bg="$6" k fill
  for k in 1 2 3; do
    case $k in 1) fill="$PAPER" ;; 2) fill='#c8b078' ;; 3) fill='#fff4d0' ;; esac
    keyed $((base + k)) "$name$k" "$bg" -- -size "${w}x$h" xc:none -fill "$fill" -stroke "$INK" \
      -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 4,4" -fill "$INK" -stroke none -font DejaVu-Sans-Bold \
      -pointsize 10 -gravity center -annotate +0+0 "$label"
  done
}

echo "// Room overlay pictures" >>"$build"
# The header band (y 0-22) is dark: the room's name and the label lie on it in
# light grey.
pic 3301 room-background none -- -size 528x355 xc:"$PAPER" -fill none -stroke "$INK" -strokewidth 2 \
  -draw 'rectangle 3,3 524,351' -draw 'line 200,40 200,340' -fill "$INK" -stroke none -draw 'rectangle 0,0 527,22'
# The plan: both floors of the house, each named above it (plan-floors.txt:
# left, baseline, name), the rooms named in their boxes (plan.txt: box, label
# baseline, name; the label 4 pixels in from the box's left edge).
draw=()
while read -r x baseline label; do
  draw+=(-fill "$INK" -stroke none -draw "text $x,$baseline '$label'")
done <"$out/plan-floors.txt"
while read -r x0 y0 x1 y1 baseline label; do
  draw+=(-fill "$BOX" -stroke "$INK" -draw "rectangle $x0,$y0 $x1,$y1" -fill "$INK" -stroke none
         -draw "text $((x0 + 4)),$baseline '$label'")
done <"$out/plan.txt"
pic 3600 room-plan none -- -size 310x262 xc:"$PAPER" -font DejaVu-Sans -pointsize 9 "${draw[@]}"
scroll_bar 3601 226 3610 room room-up room-down
# The rooms button (3700-3702) and the close button (3800-3802): normal,
# pressed, under the pointer.
for k in 0 1 2; do
  case $k in 0) fill="$PAPER" ;; 1) fill='#c8b078' ;; 2) fill='#fff4d0' ;; esac
  keyed $((3700 + k)) "rooms$k" "$INK" -- -size 80x18 xc:none -fill "$fill" -stroke "$INK" \
    -draw 'roundrectangle 0,0 79,17 4,4' -fill "$INK" -stroke none -font DejaVu-Sans-Bold -pointsize 10 \
    -gravity center -annotate +0+0 'Räume'
  keyed $((3800 + k)) "close$k" "$INK" -- -size 14x14 xc:none -fill "$fill" -stroke "$INK" \
    -draw 'rectangle 0,0 13,13' -draw 'line 3,3 10,10' -draw 'line 10,3 3,10'
done
# Floor buttons: down 3310-3313, up 3320-3323 (normal, pressed, over, disabled),
# 7 pixels wide: the overlay places them side by side at x 211 and 218. The
# disabled state shows no arrow.
for k in 0 1 2 3; do
  case $k in 0) fill="$PAPER" ;; 1) fill='#c8b078' ;; 2) fill='#fff4d0' ;; 3) fill='#b0a890' ;; esac
  case $k in 3) arrow='#b0a890' ;; *) arrow="$INK" ;; esac
  keyed $((3310 + k)) "floor-down$k" "$PAPER" -- -size 7x14 xc:none -fill "$fill" -stroke "$INK" \
    -draw 'rectangle 0,0 6,13' -fill "$arrow" -stroke none -draw 'polygon 1,5 5,5 3,9'
  keyed $((3320 + k)) "floor-up$k" "$PAPER" -- -size 7x14 xc:none -fill "$fill" -stroke "$INK" \
    -draw 'rectangle 0,0 6,13' -fill "$arrow" -stroke none -draw 'polygon 3,4 5,8 1,8'
done
# The backdrop of the rooms list (3500, cut to the list's height) and its
# lower edge (3510).
pic 3500 rooms-list none -- -size 189x320 xc:'#f6efd8' -fill none -stroke "$INK" -draw 'line 0,0 0,319' \
  -draw 'line 188,0 188,319' -draw 'line 0,0 188,0'
pic 3510 rooms-list-end none -- -size 189x6 xc:'#f6efd8' -fill none -stroke "$INK" -draw 'line 0,0 0,5' \
  -draw 'line 188,0 188,5' -draw 'line 0,5 188,5'

# Navigation buttons of the room records, by picture base.
button3 3330 nav-bubble 22 22 "O" "$PAPER"
button3 3340 nav-exit 22 22 "X" "$PAPER"
button3 3350 nav-help 22 22 "?" "$PAPER"
button3 3360 nav-arrow 22 22 ">" "$PAPER"
button3 3390 nav-word 22 22 "W" "$PAPER"
button3 3400 nav-w0 22 22 "1" "$PAPER"
button3 3410 nav-w1 22 22 "2" "$PAPER"
button3 3420 nav-w2 22 22 "3" "$PAPER"
button3 3430 nav-w3 22 22 "4" "$PAPER"
button3 3440 nav-w4 22 22 "5" "$PAPER"
button3 3450 nav-found 22 22 "F" "$PAPER"
button3 3460 nav-office 22 22 "K" "$PAPER"
button3 3470 nav-room 22 22 "R" "$PAPER"
# Item buttons of the rooms: R + 10 n + 1 .. 3, numbered.
while read -r base n; do
  button3 "$base" "item$base" 16 16 "$n" "$BOX"
done <"$out/room-items.txt"

echo "// Info panel pictures" >>"$build"
pic 16000 info-page none -- -size 267x353 xc:"$PAPER" -fill none -stroke "$INK" -strokewidth 2 \
  -draw 'rectangle 4,4 262,348'
# Twelve frames: the page unfolds from a narrow strip to its full width.
for k in $(seq 0 11); do
  w=$((12 + k * 255 / 11))
  x=$(((267 - w) / 2))
  keyed $((16010 + k)) "info-fold$(printf '%02d' "$k")" "$INK" black -- -size 267x353 xc:none -fill "$PAPER" -stroke "$INK" \
    -draw "rectangle $x,4 $((x + w - 1)),348"
done
pic 16030 info-ornament-top none -- -size 192x9 xc:"$PAPER" -fill "$INK" -draw 'line 0,4 191,4' -draw 'circle 96,4 96,1'
pic 16040 info-ornament-bottom none -- -size 192x6 xc:"$PAPER" -fill "$INK" -draw 'line 0,2 191,2' -draw 'line 40,5 151,5'
pic 16050 info-rule-top none -- -size 181x2 xc:"$INK"
pic 16051 info-rule-bottom none -- -size 181x2 xc:"$INK"
keyed 16070 info-marker "$PAPER" -- -size 6x6 xc:none -fill '#8e2e21' -draw 'polygon 0,0 5,3 0,5'
# Arrows of the list: normal 16095/16096, under the pointer 16090/16091.
for k in 0 5; do
  case $k in 0) fill='#8e2e21' ;; 5) fill="$INK" ;; esac
  keyed $((16090 + k)) "info-up$k" "$PAPER" -- -size 12x7 xc:none -fill "$fill" -draw 'polygon 6,0 11,6 0,6'
  keyed $((16091 + k)) "info-down$k" "$PAPER" -- -size 12x7 xc:none -fill "$fill" -draw 'polygon 0,0 11,0 6,6'
done
for k in 0 1 2; do
  case $k in 0) fill="$PAPER" ;; 1) fill='#c8b078' ;; 2) fill='#fff4d0' ;; esac
  keyed $((16100 + k)) "info-close$k" "$PAPER" -- -size 14x14 xc:none -fill "$fill" -stroke "$INK" \
    -draw 'rectangle 0,0 13,13' -draw 'line 3,3 10,10' -draw 'line 10,3 3,10'
done
scroll_bar 16201 153 16210 info info-sup info-sdown
