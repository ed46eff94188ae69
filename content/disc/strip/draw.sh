#!/usr/bin/env bash
# Drawing helpers of the strip stage: wood, brass, paper and engraved icons
# with ImageMagick. Sourced by each of make.sh's parallel jobs, which run in
# the stage's output folder.
set -euo pipefail
if command -v magick >/dev/null 2>&1; then im=(magick); else im=(convert); fi
FONT_SERIF_BOLD=DejaVu-Serif-Bold
FONT_SERIF=DejaVu-Serif
INK='#3a2412'
SHINE='#fbefc0'
KEY='#ff00ff'

# Writes a 24-bit BMP (the builder's reader has no PNG).
bmp() { "${im[@]}" "$@" -alpha off -type truecolor; }

# wood W H SEED OUT: dark oak with horizontal grain. A texture of the same
# size and seed already made in the folder wood/ is copied.
wood() {
  local cache="wood/$3-$1x$2.bmp"
  if [ -f "$cache" ]; then cp "$cache" "$4"; return; fi
  "${im[@]}" -size "$1x$2" xc:gray50 -seed "$3" +noise Gaussian -virtual-pixel tile \
    -motion-blur 0x40+0 -blur 0x0.6 -normalize -level 10%,90% -colorspace sRGB -type truecolor \
    +level-colors '#2b190c','#7a5230' -alpha off -type truecolor "BMP3:$4"
}

# brass_fill STATE: the gradient of a brass face in a state.
brass_fill() {
  case "$1" in
    normal) echo 'gradient:#f1d98e-#8c6623' ;;
    hover) echo 'gradient:#fff3c2-#b8913c' ;;
    pressed) echo 'gradient:#7d5b1f-#d9b866' ;;
    disabled) echo 'gradient:#b9b2a3-#77705f' ;;
    dark) echo 'gradient:#6a4a1c-#3a260c' ;;
  esac
}

# button W H STATE ICON OUT [RADIUS]: a brass button on the key colour, with
# an engraved icon (ImageMagick draw primitives in the button's coordinates).
button() {
  local w=$1 h=$2 state=$3 icon=$4 out=$5 r=${6:-5}
  local ink=$INK shine=$SHINE dx=0
  case "$state" in
    pressed) dx=1 ;;
    disabled) ink='#6d675c'; shine='#cfc9bb' ;;
  esac
  "${im[@]}" -size "${w}x${h}" xc:"$KEY" \
    \( -size "${w}x${h}" "$(brass_fill "$state")" \
       -fill none -stroke '#ffffff80' -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) $r,$r" \
       -stroke '#2a1a08' -strokewidth 1 -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) $r,$r" \
       -stroke none -fill "$shine" -draw "translate $((dx + 1)),$((dx + 1)) $icon" \
       -fill "$ink" -draw "translate $dx,$dx $icon" \) \
    \( -size "${w}x${h}" xc:black +antialias -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) $r,$r" -threshold 50% \) \
    -composite -alpha off -type truecolor "BMP3:$out"
}

# --- The control strip -------------------------------------------------------

# bar OUT: the strip's bar, dark oak under a brass rail, rounded at its left end.
bar() {
  local w=688 h=53
  wood "$w" "$h" 11 "$1.wood.bmp"
  "${im[@]}" -size "${w}x${h}" xc:"$KEY" \
    \( "$1.wood.bmp" -modulate 80 \
       -fill '#8c6623' -draw "rectangle 0,0 $w,3" -fill '#f1d98e' -draw "rectangle 0,1 $w,1" \
       -fill '#1a0e05' -draw "rectangle 0,4 $w,4" -fill '#00000060' -draw "rectangle 0,$((h - 3)) $w,$h" \
       -fill none -stroke '#8c6623' -strokewidth 2 -draw "roundrectangle 1,1 $((w + 20)),$((h + 20)) 10,10" \) \
    \( -size "${w}x${h}" xc:black +antialias -fill white -draw "roundrectangle 0,0 $((w + 20)),$((h + 20)) 10,10" -threshold 50% \) \
    -composite -alpha off -type truecolor "BMP3:$1"
  rm -f "$1.wood.bmp"
}

# Icons of the round bosses of the module selector, around (0, 0).
boss_icon() {
  case "$1" in
    1) echo "polygon -8,-5 -1,-3 -1,6 -8,4 polygon 1,-3 8,-5 8,4 1,6" ;;                          # Themen: a book
    2) echo "circle -4,-4 -4,-1 circle 4,-4 4,-1 ellipse -4,6 5,5 180,360 ellipse 4,6 5,5 180,360" ;; # Menschen
    3) echo "polygon -5,-7 5,-7 1,0 5,7 -5,7 -1,0 rectangle -7,-9 7,-8 rectangle -7,8 7,9" ;;  # Geschichte: hourglass
    4) echo "circle -4,0 -4,4 rectangle 0,-1 9,1 rectangle 5,1 6,5 rectangle 8,1 9,4" ;;              # Räume: a key
  esac
}
BOSS_X=(0 18 54 18 54)
BOSS_Y=(0 19 19 58 58)
BOSS_LABEL=("" "Themen" "Leute" "Zeit" "Räume")

# Colour between two "#rrggbb" colours at t in 0..1000.
mix() {
  local a=$1 b=$2 t=$3 out="#" i
  for i in 1 3 5; do
    local x=$((16#${a:i:2})) y=$((16#${b:i:2}))
    out+=$(printf '%02x' $((x + (y - x) * t / 1000)))
  done
  echo "$out"
}

# selector_face OUT LIT1 LIT2 LIT3 LIT4 CHOSEN GREY: the module selector, a
# wooden shield with four brass bosses; LITr 0..1000 how bright boss r shines,
# CHOSEN the boss with the red ring (0: none), GREY 1 for the disabled look.
selector_face() {
  local out=$1 chosen=$6 grey=$7 r draw=() lit
  local lits=(0 "$2" "$3" "$4" "$5")
  for r in 1 2 3 4; do
    lit=${lits[r]}
    local cx=${BOSS_X[r]} cy=${BOSS_Y[r]}
    local face; face=$(mix '#a07a2a' '#fbe7a0' "$lit")
    local glow=$((10 + 2 * lit / 1000))
    draw+=(-fill '#00000070' -draw "circle $((cx + 1)),$((cy + 2)) $((cx + 1)),$((cy + 16))")
    if [ "$lit" -gt 0 ]; then
      draw+=(-fill "$(mix '#3a2412' '#ffe49a' "$lit")" -draw "circle $cx,$cy $cx,$((cy + glow + 4))")
    fi
    draw+=(-fill '#5e4516' -draw "circle $cx,$cy $cx,$((cy + 14))"
           -fill "$face" -draw "circle $cx,$cy $cx,$((cy + 12))"
           -fill '#ffffff50' -draw "ellipse $((cx - 3)),$((cy - 5)) 6,3 0,360")
    if [ "$chosen" = "$r" ]; then
      draw+=(-fill none -stroke '#8e1a10' -strokewidth 2 -draw "circle $cx,$cy $cx,$((cy + 13))" -stroke none)
    fi
    draw+=(-fill "$SHINE" -draw "translate $((cx + 1)),$((cy + 1)) $(boss_icon "$r")"
           -fill "$INK" -draw "translate $cx,$cy $(boss_icon "$r")")
  done
  wood 72 88 5 "$out.wood.bmp"
  "${im[@]}" -size 72x88 xc:"$KEY" \
    \( "$out.wood.bmp" -modulate 85 "${draw[@]}" \
       -font DejaVu-Sans-Condensed-Bold -pointsize 7.5 -gravity North \
       -fill '#1a0e05' -annotate "-15+34" "${BOSS_LABEL[1]}" -annotate "+18+34" "${BOSS_LABEL[2]}" \
       -annotate "-15+73" "${BOSS_LABEL[3]}" -annotate "+18+73" "${BOSS_LABEL[4]}" \
       -fill '#e8d2a0' -annotate "-16+33" "${BOSS_LABEL[1]}" -annotate "+17+33" "${BOSS_LABEL[2]}" \
       -annotate "-16+72" "${BOSS_LABEL[3]}" -annotate "+17+72" "${BOSS_LABEL[4]}" -gravity NorthWest \
       -fill none -stroke '#8c6623' -strokewidth 2 -draw "roundrectangle 1,1 70,86 11,11" \
       -stroke '#f1d98e' -strokewidth 1 -draw "roundrectangle 2,2 69,85 10,10" -stroke none \) \
    \( -size 72x88 xc:black +antialias -fill white -draw "roundrectangle 0,0 71,87 12,12" -threshold 50% \) \
    -composite -alpha off -type truecolor "BMP3:$out.tmp.bmp"
  if [ "$grey" = 1 ]; then
    # The key colour stays where it was; everything else goes grey.
    "${im[@]}" "$out.tmp.bmp" -fuzz 1% -fill black -opaque "$KEY" -fill white +opaque black "$out.k.bmp"
    "${im[@]}" -size 72x88 xc:"$KEY" \( "$out.tmp.bmp" -modulate 85,25 \) "$out.k.bmp" -composite \
      -alpha off -type truecolor "BMP3:$out"
    rm -f "$out.k.bmp"
    rm -f "$out.tmp.bmp"
  else
    mv "$out.tmp.bmp" "$out"
  fi
  rm -f "$out.wood.bmp"
}

# selector_strip_frame REGION FRAME HOVER OUT: frame 0..11 of the strip of
# one module button (its boss lights up; the last frame is the chosen look).
# HOVER 1 draws the strip's highlight picture: every boss lit a little more.
selector_strip_frame() {
  local region=$1 f=$2 hover=$3 out=$4 r lits=() chosen=0 base=0
  [ "$hover" = 1 ] && base=450
  for r in 1 2 3 4; do
    if [ "$r" = "$region" ]; then
      local t=$((f * 1000 / 10)); (( t > 1000 )) && t=1000
      (( hover == 1 && t < 600 )) && t=600
      lits+=("$t")
    else
      lits+=("$base")
    fi
  done
  [ "$f" -ge 11 ] && chosen=$region
  selector_face "$out" "${lits[@]}" "$chosen" 0
}

# selector_flip FRAME OUT: frame 0..16 of the turn shown while the strip
# changes its layout: the selector turns like a coin, its back at frames 0
# and 16, its face at frame 8.
selector_flip() {
  local k=$1 out=$2
  local side w
  w=$(awk -v k="$k" 'BEGIN { w = int(72 * sqrt(cos((k - 8) * 3.14159265 / 8) ^ 2) + 0.5); print (w < 2 ? 2 : w) }')
  if (( k >= 4 && k <= 12 )); then side=face; else side=back; fi
  if [ "$side" = face ]; then
    selector_face "$out.side.bmp" 0 0 0 0 0 0
  else
    wood 72 88 9 "$out.wood.bmp"
    "${im[@]}" -size 72x88 xc:"$KEY" \
      \( "$out.wood.bmp" -modulate 70 -fill none -stroke '#8c6623' -strokewidth 2 -draw "roundrectangle 1,1 70,86 11,11" \
         -stroke none -fill '#8c6623' -draw "circle 36,44 36,66" -fill '#f1d98e' -draw "circle 36,44 36,63" \
         -font "$FONT_SERIF_BOLD" -pointsize 22 -gravity center -fill "$SHINE" -annotate +1+1 "OH" \
         -fill "$INK" -annotate +0+0 "OH" \) \
      \( -size 72x88 xc:black +antialias -fill white -draw "roundrectangle 0,0 71,87 12,12" -threshold 50% \) \
      -composite -alpha off "$out.side.bmp"
    rm -f "$out.wood.bmp"
  fi
  "${im[@]}" -size 72x88 xc:"$KEY" \( "$out.side.bmp" -filter point -resize "${w}x88!" \) \
    -gravity center -composite -alpha off -type truecolor "BMP3:$out"
  rm -f "$out.side.bmp"
}


# capbox OUT: the visited mark, a small brass tag with a tick. The strip shows
# it behind the caption of a place already visited, the storyline screens
# behind the month of an event whose item was seen.
capbox() {
  button 10 20 normal "polygon 1,10 3,9 4,12 7,4 9,5 4,15" "$1" 3
}

# --- The item viewer's side bar ---------------------------------------------

# sidepanel W H SEED OUT: a framed oak panel that carries the play buttons.
sidepanel() {
  local w=$1 h=$2 out=$4
  wood "$w" "$h" "$3" "$out.wood.bmp"
  "${im[@]}" "$out.wood.bmp" -modulate 75 -fill none -stroke '#8c6623' -strokewidth 2 \
    -draw "rectangle 1,1 $((w - 2)),$((h - 2))" -stroke '#f1d98e' -strokewidth 1 \
    -draw "line 2,2 $((w - 3)),2" -stroke '#1a0e05' -draw "line 2,$((h - 3)) $((w - 3)),$((h - 3))" \
    -alpha off -type truecolor "BMP3:$out"
  rm -f "$out.wood.bmp"
}

# card W H STATE OUT: the paper card above the button to the item's place: a
# house with a pin over it (STATE normal), or
# the greyed blank card of an item without a place to go to (off). It holds
# no words: the button under it says where it goes.
card() {
  local w=$1 h=$2 state=$3 out=$4 paper='#efe3c4' ink='#3a2412' icon=()
  if [ "$state" = off ]; then
    paper='#a9a293'
  else
    local cx=$((w / 2))
    icon=(-fill "$ink" -draw "polygon $((cx - 9)),15 $cx,8 $((cx + 9)),15 $((cx + 7)),15 $((cx + 7)),23 $((cx - 7)),23 $((cx - 7)),15"
      -fill "$paper" -draw "rectangle $((cx - 2)),18 $((cx + 1)),23"
      -fill '#9a2a1a' -draw "circle $((cx + 12)),8 $((cx + 12)),11" -draw "polygon $((cx + 9)),9 $((cx + 15)),9 $((cx + 12)),15"
      -fill "$paper" -draw "circle $((cx + 12)),8 $((cx + 12)),9")
  fi
  "${im[@]}" -size "${w}x${h}" xc:'#2b190c' -fill '#00000080' -draw "rectangle 3,3 $((w - 1)),$((h - 1))" \
    -fill "$paper" -draw "rectangle 1,1 $((w - 3)),$((h - 3))" \
    -fill none -stroke '#b89a68' -draw "rectangle 3,3 $((w - 5)),$((h - 5))" -stroke none \
    "${icon[@]}" -alpha off -type truecolor "BMP3:$out"
}

# pushbutton W H TEXT POINTSIZE STATE OUT: a raised brass push-button with a
# word: lit upper and left edges, shaded lower and right ones (the other way
# round when pressed, the word then one pixel down and right), and a clear
# margin around the word (no rivets).
pushbutton() {
  local w=$1 h=$2 text=$3 size=$4 state=$5 out=$6
  local ink=$INK shine=$SHINE light='#fff6d8' shade='#5a3c10' dx=0
  case "$state" in
    pressed) light='#5a3c10'; shade='#f4e2a8'; dx=1 ;;
    disabled) ink='#6d675c'; shine='#cfc9bb'; light='#e4ded0'; shade='#6d675c' ;;
  esac
  "${im[@]}" -size "${w}x${h}" xc:"$KEY" \
    \( -size "${w}x${h}" "$(brass_fill "$state")" \
       -fill none -stroke "$light" -draw "line 2,1 $((w - 3)),1" -draw "line 1,2 1,$((h - 3))" \
       -stroke "$shade" -draw "line 2,$((h - 2)) $((w - 3)),$((h - 2))" -draw "line $((w - 2)),2 $((w - 2)),$((h - 3))" \
       -stroke '#2a1a08' -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 3,3" \
       -stroke none -font DejaVu-Serif-Condensed-Bold -pointsize "$size" -gravity center \
       -fill "$shine" -annotate "+$((dx + 1))+$((dx + 1))" "$text" -fill "$ink" -annotate "+$dx+$dx" "$text" \) \
    \( -size "${w}x${h}" xc:black +antialias -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 3,3" -threshold 50% \) \
    -composite -alpha off -type truecolor "BMP3:$out"
}

# engraved W H TEXT POINTSIZE SEED OUT: a word cut into an oak board, lined in
# brass: the side bar's caption of the play buttons above it. Flat, without
# the edges of a button, so that it reads as a caption and not as something
# to press.
engraved() {
  local w=$1 h=$2 text=$3 size=$4 out=$6
  wood "$w" "$h" "$5" "$out.wood.bmp"
  "${im[@]}" "$out.wood.bmp" -modulate 75 -fill none -stroke '#8c6623' -strokewidth 2 \
    -draw "line 1,0 1,$((h - 1))" -draw "line $((w - 2)),0 $((w - 2)),$((h - 1))" \
    -stroke '#1a0e05' -strokewidth 1 -draw "line 2,$((h - 1)) $((w - 3)),$((h - 1))" -stroke none \
    -font DejaVu-Serif-Condensed-Bold -pointsize "$size" -gravity center \
    -fill '#120a04' -annotate +0-1 "$text" -fill '#d8b868' -annotate +0+0 "$text" \
    -alpha off -type truecolor "BMP3:$out"
  rm -f "$out.wood.bmp"
}

