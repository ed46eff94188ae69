#!/usr/bin/env bash
# Makes the sources of the sample archive in OUTDIR: copies content/sample
# (build script, texts, number lists) and draws its pictures with ImageMagick.
# Usage: content/make-sample.sh OUTDIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make-sample.sh OUTDIR}"
if command -v magick >/dev/null 2>&1; then im=(magick); else im=(convert); fi

rm -rf "$out"
mkdir -p "$out"
cp -R "$here/sample/." "$out/"
mkdir -p "$out/pictures"
cd "$out/pictures"

# Magenta is the key colour the script declares; every shape leaves a border.
"${im[@]}" -size 64x48 xc:magenta +antialias -fill '#2a5caa' -draw 'roundrectangle 6,5 57,41 8,8' \
  -fill white -draw 'circle 32,23 32,12' -type truecolor BMP3:badge.bmp
"${im[@]}" -size 48x48 xc:magenta +antialias -fill '#c8a000' -draw 'polygon 24,4 44,40 4,40' \
  emblem.gif
# ImageMagick writes a Targa's rows top first whatever its header says, and
# by default the header says bottom-left (descriptor bit 5 clear), which would
# turn the banner upside down. Ask for a top-left picture so the header tells
# the truth, and check that it does.
"${im[@]}" -size 80x24 xc:magenta -fill '#206020' -draw 'rectangle 3,2 76,20' \
  -fill white -draw 'rectangle 8,8 71,14' -orient TopLeft banner.tga
descriptor=$(od -An -tu1 -j17 -N1 banner.tga | tr -d ' ')
if (( (descriptor & 32) == 0 )); then
  echo "make-sample.sh: banner.tga was written with a bottom-left header over top-first rows" >&2
  exit 1
fi
"${im[@]}" -size 50x40 xc:magenta -fill '#803030' -draw 'rectangle 5,4 44,35' panel.psd
for i in 1 2 3; do
  x=$((8 + 6 * i))
  "${im[@]}" -size 40x30 xc:magenta +antialias -fill '#404080' -draw "circle $x,15 $x,$((15 - 4 - i))" \
    -type truecolor "BMP3:spin00$i.bmp"
done
"${im[@]}" -size 8x64 gradient:black-white -rotate 90 -colorspace gray -type palette -compress none \
  BMP3:shade.bmp
echo "sample sources made in $out"
