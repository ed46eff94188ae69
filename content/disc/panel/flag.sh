#!/usr/bin/env bash
# One frame of the language panel's flags: a flag on a brass pole, waving by
# PHASE (0..1 of a wave), on magenta (the key colour), optionally lifted and
# ringed by a glow for the selection animations.
# Usage: flag.sh OUT KIND WIDTH HEIGHT POLEX POLEY PHASE [GLOW LIFT]
#   KIND nl (red, white, blue) or en (white with a red cross); GLOW 0..100
#   the glow ring's growth, LIFT pixels the flag rises on its pole.
set -euo pipefail
out=$1 kind=$2 width=$3 height=$4 px=$5 py=$6 phase=$7 glow=${8:-} lift=${9:-0}
fw=24 fh=16
fx=$((px + 2)) fy=$((py + 4 - lift))
# A region (u0 v0 u1 v1, in flag pixels) as a polygon whose rows wave more
# the farther they are from the pole.
region() {
  awk -v u0="$1" -v v0="$2" -v u1="$3" -v v1="$4" -v fx="$fx" -v fy="$fy" -v fw="$fw" -v ph="$phase" 'BEGIN {
    pi = 3.14159265
    s = "polygon"
    for (u = u0; u <= u1; u += 2) {
      y = v0 + 2.2 * (u / fw) * sin(2 * pi * (u / fw - ph)); s = s sprintf(" %.1f,%.1f", fx + u, fy + y)
    }
    for (u = u1; u >= u0; u -= 2) {
      y = v1 + 2.2 * (u / fw) * sin(2 * pi * (u / fw - ph)); s = s sprintf(" %.1f,%.1f", fx + u, fy + y)
    }
    print s }'
}
draw=()
if [ -n "$glow" ]; then
  cx=$((px + 13)) cy=$((py + 14 - lift))
  r=$((8 + glow * 34 / 100))
  w=$((4 - glow * 4 / 100))
  # Solid colours only: anything blended with the key colour would show.
  if ((w > 0)); then
    draw+=(-fill none -stroke '#ffd678' -strokewidth "$w" -draw "circle $cx,$cy $((cx + r)),$cy" -stroke none)
  fi
fi
draw+=(-fill '#8a6a2a' -draw "rectangle $px,$py $((px + 1)),$((height - 3))"
       -fill '#e0c060' -draw "circle $px,$((py - 1)) $((px + 2)),$((py - 1))"
       -fill '#5a4020' -draw "rectangle $((px - 3)),$((height - 3)) $((px + 4)),$((height - 1))")
if [ "$kind" = nl ]; then
  draw+=(-fill '#ae1c28' -draw "$(region 0 0 $fw 5)" -fill '#f4f4f4' -draw "$(region 0 5 $fw 11)"
         -fill '#21468b' -draw "$(region 0 11 $fw $fh)")
else
  draw+=(-fill '#f4f4f4' -draw "$(region 0 0 $fw $fh)" -fill '#c8102e' -draw "$(region 0 6 $fw 10)"
         -draw "$(region 10 0 14 $fh)")
fi
convert -size "${width}x${height}" xc:'#ff00ff' +antialias "${draw[@]}" BMP3:"$out"
