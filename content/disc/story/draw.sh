#!/usr/bin/env bash
# Drawing helpers of the story stage: dark oak, brass and parchment as on the
# strip, with ImageMagick. Sourced by make.sh's parallel jobs, which run in the
# stage's output folder. Every picture is a 24-bit BMP (the builder reads no
# PNG); magenta is the key colour of the shaped ones.
set -euo pipefail
if command -v magick >/dev/null 2>&1; then im=(magick); else im=(convert); fi
FONT_SERIF_BOLD=DejaVu-Serif-Bold
INK='#3a2412'
SHINE='#fbefc0'
KEY='#ff00ff'
BRASS='gradient:#f1d98e-#8c6623'

# save IN OUT: IN (any picture ImageMagick reads) as a 24-bit BMP.
save() { "${im[@]}" "$1" -alpha off -type truecolor "BMP3:$2"; }

# wood W H SEED OUT: dark oak with horizontal grain.
wood() {
  "${im[@]}" -size "$1x$2" xc:gray50 -seed "$3" +noise Gaussian -virtual-pixel tile \
    -motion-blur 0x40+0 -blur 0x0.6 -normalize -level 10%,90% -colorspace sRGB -type truecolor \
    +level-colors '#1e1208','#5a3c22' -alpha off -type truecolor "BMP3:$4"
}

# vwood W H SEED OUT: the same grain running down.
vwood() {
  "${im[@]}" -size "$2x$1" xc:gray50 -seed "$3" +noise Gaussian -virtual-pixel tile \
    -motion-blur 0x40+0 -blur 0x0.6 -normalize -level 10%,90% -colorspace sRGB -type truecolor \
    +level-colors '#1e1208','#5a3c22' -rotate 90 -alpha off -type truecolor "BMP3:$4"
}

# paper W H SEED DARK LIGHT OUT: a dark parchment panel, mottled.
paper() {
  "${im[@]}" -size "$1x$2" xc:gray50 -seed "$3" +noise Random -virtual-pixel tile -blur 0x6 -normalize \
    -level 20%,80% -colorspace sRGB -type truecolor +level-colors "$4","$5" -alpha off -type truecolor "BMP3:$6"
}

# The motifs of the three bands, light lines on the dark panels (ImageMagick
# draw primitives in the panel's coordinates).
motif_house() { # a stepped gable with its door and windows, at the right
  local x=$1 y=$2
  echo "polyline $x,$((y + 100)) $x,$((y + 40)) $((x + 8)),$((y + 40)) $((x + 8)),$((y + 28)) $((x + 16)),$((y + 28)) \
$((x + 16)),$((y + 16)) $((x + 24)),$((y + 16)) $((x + 24)),$((y + 4)) $((x + 36)),$((y + 4)) $((x + 36)),$((y + 16)) \
$((x + 44)),$((y + 16)) $((x + 44)),$((y + 28)) $((x + 52)),$((y + 28)) $((x + 52)),$((y + 40)) $((x + 60)),$((y + 40)) \
$((x + 60)),$((y + 100))
rectangle $((x + 25)),$((y + 78)) $((x + 35)),$((y + 100))
rectangle $((x + 9)),$((y + 50)) $((x + 19)),$((y + 64)) rectangle $((x + 41)),$((y + 50)) $((x + 51)),$((y + 64))
rectangle $((x + 25)),$((y + 50)) $((x + 35)),$((y + 64)) rectangle $((x + 25)),$((y + 24)) $((x + 35)),$((y + 36))
rectangle $((x + 9)),$((y + 78)) $((x + 19)),$((y + 92)) rectangle $((x + 41)),$((y + 78)) $((x + 51)),$((y + 92))"
}
motif_town() { # roofs and the church tower of Wenslar along the bottom
  local x=$1 y=$2
  echo "polyline $x,$((y + 60)) $((x + 20)),$((y + 40)) $((x + 40)),$((y + 60)) $((x + 40)),$((y + 44)) \
$((x + 58)),$((y + 26)) $((x + 76)),$((y + 44)) $((x + 76)),$((y + 60)) $((x + 90)),$((y + 60)) $((x + 90)),$((y + 20)) \
$((x + 100)),$((y - 20)) $((x + 110)),$((y + 20)) $((x + 110)),$((y + 60)) $((x + 124)),$((y + 60)) $((x + 142)),$((y + 36)) \
$((x + 160)),$((y + 60)) $((x + 178)),$((y + 42)) $((x + 196)),$((y + 60)) $((x + 230)),$((y + 60))
line $((x + 100)),$((y - 20)) $((x + 100)),$((y - 32)) line $((x + 95)),$((y - 27)) $((x + 105)),$((y - 27))
rectangle $((x + 97)),$((y + 24)) $((x + 103)),$((y + 34))"
}
motif_world() { # a globe with its meridians and a compass line
  local x=$1 y=$2 r=$3
  echo "circle $x,$y $((x + r)),$y ellipse $x,$y $((r / 2)),$r 0,360 line $x,$((y - r)) $x,$((y + r))
line $((x - r)),$y $((x + r)),$y ellipse $x,$((y - r / 2)) $((r * 86 / 100)),$((r / 8)) 0,360
ellipse $x,$((y + r / 2)) $((r * 86 / 100)),$((r / 8)) 0,360
line $((x - r - 20)),$((y + r + 10)) $((x + r + 20)),$((y - r - 10))"
}

# plate W H TEXT OUT [POINTSIZE]: a brass plate with an engraved label, on
# the key colour.
plate() {
  local w=$1 h=$2 text=$3 out=$4 size=${5:-13}
  "${im[@]}" -size "${w}x${h}" xc:"$KEY" \
    \( -size "${w}x${h}" "$BRASS" \
       -fill none -stroke '#2a1a08' -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 4,4" \
       -stroke '#ffffff70' -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) 4,4" \
       -stroke none -font "$FONT_SERIF_BOLD" -pointsize "$size" -gravity center \
       -fill "$SHINE" -annotate +1+1 "$text" -fill "$INK" -annotate +0+0 "$text" \) \
    \( -size "${w}x${h}" xc:black +antialias -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 4,4" -threshold 50% \) \
    -composite -alpha off -type truecolor "BMP3:$out"
}

# screen OUT0 OUT1 OUT2: the storyline screen's background, 640 x 480, cut
# into the three bands (heights 138, 135, 207): an oak board with a dark
# parchment panel per band, its motif and a brass plate with its name. The
# lowest band's plate sits above the strip's module selector (window y 390):
# its top left holds the band's date and title, and below y 390 the strip
# would cover the plate but for a sliver beside the selector.
screen() {
  wood 640 480 21 screen.wood.bmp
  paper 628 128 31 '#2a1d12' '#4a3523' screen.p0.bmp
  paper 628 125 32 '#1f2216' '#3d3f2a' screen.p1.bmp
  paper 628 197 33 '#1a1f24' '#34404a' screen.p2.bmp
  plate 150 17 "Das Haus" screen.l0.bmp 11
  plate 150 24 "Die Stadt" screen.l1.bmp
  plate 150 24 "Die Welt" screen.l2.bmp
  "${im[@]}" screen.wood.bmp \
    \( screen.p0.bmp -fill none -stroke '#8a6c4a' -strokewidth 1.5 -draw "$(motif_house 540 6)" \) -geometry +6+5 -composite \
    \( screen.p1.bmp -fill none -stroke '#7c7a55' -strokewidth 1.5 -draw "$(motif_town 400 40)" \) -geometry +6+143 -composite \
    \( screen.p2.bmp -fill none -stroke '#6a7c8c' -strokewidth 1.5 -draw "$(motif_world 540 120 60)" \) -geometry +6+278 -composite \
    -fill none -stroke '#8c6623' -strokewidth 2 \
    -draw "rectangle 5,4 634,133" -draw "rectangle 5,142 634,268" -draw "rectangle 5,277 634,475" \
    -stroke '#f1d98e' -strokewidth 1 \
    -draw "rectangle 6,5 633,132" -draw "rectangle 6,143 633,267" -draw "rectangle 6,278 633,474" -stroke none \
    screen.whole.bmp
  "${im[@]}" screen.whole.bmp \( screen.l0.bmp -transparent "$KEY" \) -geometry +60+6 -composite \
    \( screen.l1.bmp -transparent "$KEY" \) -geometry +18+148 -composite \
    \( screen.l2.bmp -transparent "$KEY" \) -geometry +18+356 -composite screen.bmp
  save 'screen.bmp[640x138+0+0]' "$1"
  save 'screen.bmp[640x135+0+138]' "$2"
  save 'screen.bmp[640x207+0+273]' "$3"
  rm -f screen.*.bmp screen.bmp
}

# backdrop OUT: the house as an old engraving, 360 x 281, behind the three
# bands (at window 221,17). The bands' rulers, posts, arrows and cards run
# over almost all of it, so the engraving is only a shade lighter than its
# dark ground and its edge a dark line: calm under the bands, with the cards
# and their titles standing out over it. "ANNO 1652" stands a little
# lighter in the one row the bands leave free, between the middle band's
# ruler and the lower band's (window y 254-273, rows 237-256 here).
backdrop() {
  local w=360 h=281
  paper "$w" "$h" 41 '#21170e' '#3b2a1a' "$1.p.bmp"
  "${im[@]}" "$1.p.bmp" -fill none -stroke '#3f2f1f' -strokewidth 1 \
    -draw "translate 60,30 scale 2,1.9 $(motif_house 0 0)" \
    -stroke none -fill '#6e5638' -font "$FONT_SERIF_BOLD" -pointsize 11 -gravity North -annotate +0+241 "ANNO 1652" \
    -gravity NorthWest -fill none -stroke '#150c05' -strokewidth 2 -draw "rectangle 1,1 $((w - 2)),$((h - 2))" \
    -alpha off -type truecolor "BMP3:$1"
  rm -f "$1.p.bmp"
}

# ribbon OUT: the fly-in picture, 345 x 285: a strip of parchment under a
# band's scale (its top 20 rows); the rest is the key colour.
ribbon() {
  "${im[@]}" -size 345x285 xc:"$KEY" \
    \( -size 345x20 gradient:'#5a4430-#2a1d12' -fill '#8c6623' -draw "rectangle 0,0 344,1" -draw "rectangle 0,18 344,19" \) \
    -geometry +0+0 -composite -alpha off -type truecolor "BMP3:$1"
}

# scale W H OUT: a brass rule with tick marks every 23 pixels (ten days on a
# band), longer ones every 69 (about a month); vertical when H > W.
scale() {
  local w=$1 h=$2 out=$3 draw="" i len
  if [ "$w" -ge "$h" ]; then
    for ((i = 0; i < w; i += 23)); do
      len=4; (( i % 69 == 0 )) && len=8
      draw+="line $i,$((h - 1)) $i,$((h - len)) "
    done
    "${im[@]}" -size "${w}x${h}" gradient:'#f1d98e-#6a4a1c' -stroke '#2a1a08' -draw "$draw" \
      -stroke '#fff3c2' -draw "line 0,0 $((w - 1)),0" -alpha off -type truecolor "BMP3:$out"
  else
    for ((i = 0; i < h; i += 26)); do
      len=4; (( i % 78 == 0 )) && len=8
      draw+="line 0,$i $((len - 1)),$i "
    done
    "${im[@]}" -size "${h}x${w}" gradient:'#f1d98e-#6a4a1c' -rotate 90 -stroke '#2a1a08' -draw "$draw" \
      -stroke '#fff3c2' -draw "line $((w - 1)),0 $((w - 1)),$((h - 1))" -alpha off -type truecolor "BMP3:$out"
  fi
}

# rod W H OUT: the brass bar of the storyline view, 12 x 300.
rod() {
  "${im[@]}" -size "$2x$1" gradient:'#fff3c2-#6a4a1c' -rotate 90 -fill '#2a1a08' \
    -draw "rectangle 0,0 $(($1 - 1)),1" -draw "rectangle 0,$(($2 - 2)) $(($1 - 1)),$(($2 - 1))" \
    -alpha off -type truecolor "BMP3:$3"
}

# chevron X Y DIR: a double arrow head around (X, Y), pointing DIR
# (left, right, up, down), as draw primitives.
chevron() {
  local x=$1 y=$2
  case "$3" in
    left) echo "polygon $((x - 8)),$y $((x + 2)),$((y - 10)) $((x + 2)),$((y - 5)) $((x - 3)),$y $((x + 2)),$((y + 5)) $((x + 2)),$((y + 10)) polygon $x,$y $((x + 10)),$((y - 10)) $((x + 10)),$((y - 5)) $((x + 5)),$y $((x + 10)),$((y + 5)) $((x + 10)),$((y + 10))" ;;
    right) echo "polygon $((x + 8)),$y $((x - 2)),$((y - 10)) $((x - 2)),$((y - 5)) $((x + 3)),$y $((x - 2)),$((y + 5)) $((x - 2)),$((y + 10)) polygon $x,$y $((x - 10)),$((y - 10)) $((x - 10)),$((y - 5)) $((x - 5)),$y $((x - 10)),$((y + 5)) $((x - 10)),$((y + 10))" ;;
    up) echo "polygon $x,$((y - 8)) $((x - 10)),$((y + 2)) $((x - 5)),$((y + 2)) $x,$((y - 3)) $((x + 5)),$((y + 2)) $((x + 10)),$((y + 2)) polygon $x,$y $((x - 10)),$((y + 10)) $((x - 5)),$((y + 10)) $x,$((y + 5)) $((x + 5)),$((y + 10)) $((x + 10)),$((y + 10))" ;;
    down) echo "polygon $x,$((y + 8)) $((x - 10)),$((y - 2)) $((x - 5)),$((y - 2)) $x,$((y + 3)) $((x + 5)),$((y - 2)) $((x + 10)),$((y - 2)) polygon $x,$y $((x - 10)),$((y - 10)) $((x - 5)),$((y - 10)) $x,$((y - 5)) $((x + 5)),$((y - 10)) $((x + 10)),$((y - 10))" ;;
  esac
}

# band_end W H SIDE OUT: the end of a band. Its scroll arrow lies over the
# 66 columns at its inner side (towards the scale): there a brass plate with
# a double arrow pointing outwards (SIDE left: to the left); beside it, further
# out, a turned oak roller; the rest is the key colour.
band_end() {
  local w=$1 h=$2 side=$3 out=$4 rx px dir
  if [ "$side" = left ]; then px=$((w - 66)); rx=$((px - 18)); dir=left; else px=0; rx=66; dir=right; fi
  vwood 18 "$h" 51 "$out.roller.bmp"
  "${im[@]}" -size "${w}x${h}" xc:"$KEY" \
    \( "$out.roller.bmp" \( -size "${h}x18" gradient:'#ffffff-#000000' -rotate 90 -function sinusoid 1,-90,0.35,0.65 \) \
       -compose multiply -composite -compose over \) -geometry "+$rx+0" -composite \
    -fill '#8c6623' -draw "rectangle $rx,0 $((rx + 17)),5" -draw "rectangle $rx,$((h - 6)) $((rx + 17)),$((h - 1))" \
    -fill '#f1d98e' -draw "rectangle $rx,1 $((rx + 17)),2" -draw "rectangle $rx,$((h - 5)) $((rx + 17)),$((h - 4))" \
    +antialias -fill '#2a1a08' -draw "roundrectangle $((px + 12)),$((h / 2 - 18)) $((px + 54)),$((h / 2 + 18)) 6,6" \
    -fill '#c9a352' -draw "roundrectangle $((px + 13)),$((h / 2 - 17)) $((px + 53)),$((h / 2 + 17)) 6,6" \
    -antialias -fill "$SHINE" -draw "translate 1,1 $(chevron $((px + 33)) $((h / 2)) $dir)" \
    -fill "$INK" -draw "$(chevron $((px + 33)) $((h / 2)) $dir)" \
    -alpha off -type truecolor "BMP3:$out"
  rm -f "$out.roller.bmp"
}

# panel_end W H SIDE OUT: the upper or lower end of the storyline panel. Its
# arrow lies over the 66 rows at its inner side: there the plate, pointing up
# (top) or down; the roller lies across the outer edge.
panel_end() {
  local w=$1 h=$2 side=$3 out=$4 ry py dir
  if [ "$side" = top ]; then py=$((h - 66)); ry=0; dir=up; else py=0; ry=$((h - 18)); dir=down; fi
  wood "$w" 18 52 "$out.roller.bmp"
  "${im[@]}" -size "${w}x${h}" xc:"$KEY" \
    \( "$out.roller.bmp" \( -size "${w}x18" gradient:'#ffffff-#000000' -function sinusoid 1,-90,0.35,0.65 \) \
       -compose multiply -composite -compose over \) -geometry "+0+$ry" -composite \
    -fill '#8c6623' -draw "rectangle 0,$ry 5,$((ry + 17))" -draw "rectangle $((w - 6)),$ry $((w - 1)),$((ry + 17))" \
    +antialias -fill '#2a1a08' -draw "roundrectangle $((w / 2 - 21)),$((py + 13)) $((w / 2 + 21)),$((py + 53)) 6,6" \
    -fill '#c9a352' -draw "roundrectangle $((w / 2 - 20)),$((py + 14)) $((w / 2 + 20)),$((py + 52)) 6,6" \
    -antialias -fill "$SHINE" -draw "translate 1,1 $(chevron $((w / 2)) $((py + 33)) $dir)" \
    -fill "$INK" -draw "$(chevron $((w / 2)) $((py + 33)) $dir)" \
    -alpha off -type truecolor "BMP3:$out"
  rm -f "$out.roller.bmp"
}

# arrow W H LIT OUT: the scroll arrow's own picture, laid over the end's
# plate. The same picture serves both directions (the cursor tells which):
# at rest only four brass corner studs; under the pointer (LIT 1) a warm ring
# of light round the plate as well.
arrow() {
  local w=$1 h=$2 lit=$3 out=$4 draw
  draw="circle 3,3 3,5 circle $((w - 4)),3 $((w - 4)),5 circle 3,$((h - 4)) 3,$((h - 2)) circle $((w - 4)),$((h - 4)) $((w - 4)),$((h - 2))"
  if [ "$lit" = 1 ]; then
    "${im[@]}" -size "${w}x${h}" xc:"$KEY" +antialias -fill none -stroke '#ffd66a' -strokewidth 3 \
      -draw "roundrectangle $((w / 2 - 25)),$((h / 2 - 22)) $((w / 2 + 25)),$((h / 2 + 22)) 9,9" \
      -stroke '#fff3c2' -strokewidth 1 -draw "roundrectangle $((w / 2 - 24)),$((h / 2 - 21)) $((w / 2 + 24)),$((h / 2 + 21)) 8,8" \
      -stroke none -fill '#fff3c2' -draw "$draw" -alpha off -type truecolor "BMP3:$out"
  else
    "${im[@]}" -size "${w}x${h}" xc:"$KEY" +antialias -fill '#c9a352' -draw "$draw" -alpha off -type truecolor "BMP3:$out"
  fi
}

# board OUT: the small oak board behind the next and previous buttons,
# 171 x 131, rounded, with a brass edge.
board() {
  wood 171 131 61 "$1.wood.bmp"
  "${im[@]}" -size 171x131 xc:"$KEY" \
    \( "$1.wood.bmp" -fill none -stroke '#8c6623' -strokewidth 2 -draw "roundrectangle 1,1 169,129 10,10" \
       -stroke '#f1d98e' -strokewidth 1 -draw "roundrectangle 3,3 167,127 9,9" -stroke none \
       -fill '#e8d2a0' -font "$FONT_SERIF_BOLD" -pointsize 10 -annotate +50+20 "später" -annotate +50+39 "früher" \) \
    \( -size 171x131 xc:black +antialias -fill white -draw "roundrectangle 0,0 170,130 11,11" -threshold 50% \) \
    -composite -alpha off -type truecolor "BMP3:$1"
  rm -f "$1.wood.bmp"
}

# step_button W H DIR STATE OUT: a brass button with a chevron (up: next, a
# later event; down: previous) in the states normal, pressed, hover, disabled.
step_button() {
  local w=$1 h=$2 dir=$3 state=$4 out=$5 fill ink=$INK shine=$SHINE dx=0 y1 y2 y3
  case "$state" in
    normal) fill='gradient:#f1d98e-#8c6623' ;;
    hover) fill='gradient:#fff3c2-#b8913c' ;;
    pressed) fill='gradient:#7d5b1f-#d9b866'; dx=1 ;;
    disabled) fill='gradient:#b9b2a3-#77705f'; ink='#6d675c'; shine='#cfc9bb' ;;
  esac
  local cx=$((w / 2 + dx)) cy=$((h / 2 + dx))
  if [ "$dir" = up ]; then y1=$((cy - 4)); y2=$((cy + 3)); else y1=$((cy + 4)); y2=$((cy - 3)); fi
  y3=$y2
  local icon="polygon $cx,$y1 $((cx - 7)),$y2 $((cx + 7)),$y3"
  "${im[@]}" -size "${w}x${h}" xc:"$KEY" \
    \( -size "${w}x${h}" "$fill" -fill none -stroke '#2a1a08' -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 4,4" \
       -stroke '#ffffff70' -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) 4,4" -stroke none \
       -fill "$shine" -draw "translate 1,1 $icon" -fill "$ink" -draw "$icon" \) \
    \( -size "${w}x${h}" xc:black +antialias -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 4,4" -threshold 50% \) \
    -composite -alpha off -type truecolor "BMP3:$out"
}

# The symbols of the storylines, around (0, 0), about 30 pixels across.
symbol() {
  case "$1" in
    gable) echo "polygon -12,14 -12,-2 -8,-2 -8,-6 -4,-6 -4,-10 4,-10 4,-6 8,-6 8,-2 12,-2 12,14 3,14 3,6 -3,6 -3,14" ;;
    key) echo "circle -7,0 -7,7 rectangle -1,-2 14,2 rectangle 8,2 10,8 rectangle 12,2 14,6" ;;
    scales) echo "rectangle -1,-12 1,12 rectangle -13,-9 13,-7 polygon -13,-7 -17,3 -9,3 polygon 13,-7 9,3 17,3 rectangle -7,11 7,13" ;;
    flame) echo "path 'M 2,-15 C 4,-6 12,-4 10,6 C 9,12 -9,12 -10,6 C -11,0 -8,-3 -6,-8 C -5,-3 -3,-2 -2,-1 C -1,-6 0,-10 2,-15 Z' fill '#00000060' path 'M 0,0 C 3,3 5,5 3,9 C 2,11 -3,11 -4,9 C -5,6 -2,4 0,0 Z'" ;;
    people) echo "circle -6,-7 -6,-3 circle 6,-7 6,-3 ellipse -6,11 6,10 180,360 ellipse 6,11 6,10 180,360" ;;
    hammer) echo "polygon -12,-10 4,-10 6,-6 4,-2 -12,-2 rectangle -5,-2 -1,14" ;;
    swords) echo "polygon -12,-13 -9,-13 10,9 8,11 polygon 12,-13 9,-13 -10,9 -8,11 rectangle -12,8 -6,10 rectangle 6,8 12,10" ;;
  esac
}

# medallion COLOUR SYMBOL OUT: the storyline's picture, 51 x 51: a brass ring
# round a field of the storyline's colour with its symbol engraved, on oak.
medallion() {
  local colour=$1 sym=$2 out=$3
  wood 51 51 71 "$out.wood.bmp"
  "${im[@]}" "$out.wood.bmp" -fill '#00000070' -draw "circle 26,27 26,49" \
    -fill '#5e4516' -draw "circle 25,25 25,48" -fill '#d9b866' -draw "circle 25,25 25,47" \
    -fill "$colour" -draw "circle 25,25 25,43" -fill '#ffffff30' -draw "ellipse 19,16 10,5 0,360" \
    -fill '#00000080' -draw "translate 26,26 $(symbol "$sym")" \
    -fill "$SHINE" -draw "translate 25,25 $(symbol "$sym")" \
    -alpha off -type truecolor "BMP3:$out"
  rm -f "$out.wood.bmp"
}

# marker W H COLOUR STATE OUT: an event card's icon, a small enamel tab of
# the storyline's colour in a brass rim: normal, pressed (darker), hover
# (lighter) and highlight (the event the band or panel stands at: lit, with a
# white core).
marker() {
  local w=$1 h=$2 colour=$3 state=$4 out=$5 face rim='#8c6623'
  case "$state" in
    normal) face=$colour ;;
    pressed) face="$colour"; rim='#3a260c' ;;
    hover) face="$colour" ;;
    highlight) face="$colour"; rim='#fff3c2' ;;
  esac
  local mod=100
  case "$state" in pressed) mod=70 ;; hover) mod=140 ;; highlight) mod=160 ;; esac
  local lit=()
  [ "$state" = highlight ] && lit=(-fill '#ffffff' -draw "rectangle $(((w - 1) / 2 - 1)),$(((h - 1) / 2 - 1)) $(((w - 1) / 2 + 1)),$(((h - 1) / 2 + 1))")
  "${im[@]}" -size "${w}x${h}" xc:"$rim" \
    \( -size "$((w - 2))x$((h - 2))" xc:"$face" -modulate "$mod" \) -geometry +1+1 -composite "${lit[@]}" \
    -alpha off -type truecolor "BMP3:$out"
}
