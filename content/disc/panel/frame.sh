#!/usr/bin/env bash
# One frame of the closing animations: the dark facade (base.png) with the
# lit one (lit.png) let through each window as far as its level says.
# Usage (in the folder of base.png and lit.png): frame.sh OUT LEVEL*8 [FADE]
#   LEVEL 0..100 per window of windows.txt, FADE 0..100 towards black.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
outfile=$1; shift
draw=()
while read -r l t r b; do
  draw+=(-fill "gray(${1}%)" -draw "rectangle $((l - 8)),$((t - 8)) $((r + 8)),$((b + 8))")
  shift
done < "$here/windows.txt"
fade=${1:-0}
convert base.png lit.png \( -size 320x240 xc:black "${draw[@]}" -blur 0x3 \) -composite \
  -fill black -colorize "$fade%" -quality 85 -sampling-factor 2x2 "$outfile"
