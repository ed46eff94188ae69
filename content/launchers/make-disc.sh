#!/usr/bin/env bash
# Makes the launchers' sample disc in OUTDIR: the settings, readme and order
# form from content/launchers/disc, the cover, setup and upgrade pictures
# drawn with ImageMagick in the house's style (oak, brass, paper), a tiny
# catalogue PDF, and the programs from the
# build folder: Tesselby.exe (the autorun menu), PellamSetup.exe (the setup
# launcher) and Setup/install.exe (the installer stand-in, which "installs"
# the title to OUTDIR/installed and stores that folder in the registry).
# With TITLE_DISC (a folder made by content/make-disc.sh: Media/QV_GUI.msf
# and CD/Media/*.msf) the installed title is the real one: ostrevan-haus as
# installed/OstrevanHaus.exe with Media/QV_GUI.msf beside it, and the disc's
# archives in OUTDIR/Media (the launcher disc is the title's CD-ROM: start
# with OSTREVAN_CD=OUTDIR). Without it a stand-in that records its start is
# installed.
# Usage: content/launchers/make-disc.sh OUTDIR BUILD_DIR [TITLE_DISC]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make-disc.sh OUTDIR BUILD_DIR [TITLE_DISC]}"
build="${2:?usage: make-disc.sh OUTDIR BUILD_DIR [TITLE_DISC]}"
title="${3:-}"
if command -v magick >/dev/null 2>&1; then im=(magick); else im=(convert); fi

rm -rf "$out"
mkdir -p "$out"
cp -R "$here/disc/." "$out/"
out="$(cd "$out" && pwd)"
mkdir -p "$out/Bilder" "$out/Setup" "$out/installed"

# The house's look: dark oak, brass, paper and an engraved serif.
serif=DejaVu-Serif
serif_bold=DejaVu-Serif-Bold
export MAGICK_THREAD_LIMIT=1
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Oak with horizontal grain (W H SEED OUT), streaked at a quarter of the
# width and stretched, which is as good and much quicker.
oak() {
  "${im[@]}" -size "$(($1 / 4))x$2" xc:gray50 -seed "$3" +noise Gaussian -virtual-pixel tile -motion-blur 0x15+0 \
    -resize "$1x$2!" -blur 0x0.6 -normalize -level 10%,90% -colorspace sRGB -type truecolor \
    +level-colors '#24150a','#6e4828' "$4"
}

# The Ostrevan Haus by day, a gabled merchant's house (MVG, 160 x 190 units
# from its top-left corner; scale and move it with translate/scale first).
house='fill "#7a3b28" polygon 10,70 10,190 150,190 150,70 140,70 140,56 126,56 126,42 112,42 112,26 98,26 98,14 62,14 62,26 48,26 48,42 34,42 34,56 20,56 20,70
fill "#d9c9a6" rectangle 10,68 150,72 rectangle 10,124 150,128 rectangle 8,188 152,192 rectangle 58,12 102,15 rectangle 44,24 62,27 rectangle 98,24 116,27 rectangle 30,40 48,43 rectangle 112,40 130,43 rectangle 16,54 34,57 rectangle 126,54 144,57
fill "#5a2a1c" rectangle 77,4 83,14
fill "#2a1a10" rectangle 70,4 90,7
fill "#2c3440" rectangle 24,82 46,112 rectangle 69,82 91,112 rectangle 114,82 136,112 rectangle 24,138 46,168 rectangle 114,138 136,168 rectangle 46,44 60,62 rectangle 100,44 114,62 rectangle 74,24 86,38
fill "#9fb6c8" rectangle 26,84 44,96 rectangle 71,84 89,96 rectangle 116,84 134,96 rectangle 26,140 44,152 rectangle 116,140 134,152
fill "#e8dcc0" rectangle 34,82 36,112 rectangle 79,82 81,112 rectangle 124,82 126,112 rectangle 24,96 46,98 rectangle 69,96 91,98 rectangle 114,96 136,98 rectangle 34,138 36,168 rectangle 124,138 126,168 rectangle 24,152 46,154 rectangle 114,152 136,154
fill "#3a2414" path "M 64,190 L 64,150 A 16,16 0 0,1 96,150 L 96,190 Z"
fill "#d9c9a6" rectangle 60,131 100,140
fill "#c8a040" circle 90,172 90,174'


# The cover (180 x 246, 8 bits a pixel): the house in an oak frame with a
# brass plate; normal, under the pointer (lit), pressed (darker, sunk).
oak 180 246 7 "$work/oak.png"
"${im[@]}" "$work/oak.png" \
  -fill '#8c6623' -draw 'rectangle 9,9 170,236' -fill '#f1d98e' -draw 'rectangle 10,10 169,235' \
  \( -size 156x222 gradient:'#cfe0ea'-'#f3ead2' \) -geometry +12+12 -composite \
  -fill '#8aa070' -draw 'rectangle 12,190 167,233' -fill '#b8ab90' -draw 'rectangle 12,186 167,194' \
  -draw "translate 22,14 scale 0.85,0.9 $house" \
  -fill '#00000060' -draw 'roundrectangle 22,199 161,231 5,5' \
  -fill '#a67c2e' -draw 'roundrectangle 20,197 159,229 5,5' -fill '#e9cf7f' -draw 'roundrectangle 21,198 158,227 5,5' \
  -font "$serif_bold" -pointsize 15 -gravity north -fill '#fbefc0' -annotate +1+201 'Ostrevan Haus' \
  -fill '#3a2412' -annotate +0+200 'Ostrevan Haus' \
  -font "$serif" -pointsize 8 -annotate +0+217 'Ein Kaufmannshaus von 1652' -gravity northwest \
  "$work/cover.png"
"${im[@]}" "$work/cover.png" -colors 256 -type palette BMP3:"$out/Bilder/cover_n.bmp"
"${im[@]}" "$work/cover.png" -modulate 108,110 -fill none -stroke '#ffe9a0' -strokewidth 3 \
  -draw 'rectangle 2,2 177,243' -colors 256 -type palette BMP3:"$out/Bilder/cover_h.bmp"
"${im[@]}" "$work/cover.png" -modulate 80 -roll +1+1 -fill '#1a0e05' -draw 'rectangle 0,0 179,0 rectangle 0,0 0,245' \
  -colors 256 -type palette BMP3:"$out/Bilder/cover_c.bmp"

# The setup launcher's picture beside the text of its dialogs (120 x 200): the
# house engraved in ink on old paper.
"${im[@]}" -size 120x200 gradient:'#f6eed8'-'#dcc79c' -seed 3 -attenuate 0.25 +noise Gaussian \
  -fill none -stroke '#7a5a30' -draw 'rectangle 4,4 115,195' -draw 'rectangle 7,7 112,192' -stroke none \
  -draw "translate 14,26 scale 0.58,0.6 $house" -sepia-tone 82% \
  -font "$serif_bold" -pointsize 13 -gravity south -fill '#3a2412' -annotate +0+34 'Ostrevan' \
  -annotate +0+18 'Haus' -gravity northwest -colorspace sRGB -type truecolor -quality 90 "$out/Setup/setup.jpg"

# The upgrade page's background (641 x 480 pixels from x 1): oak, a sheet of
# paper with the offer, room left free for the buttons (shop at the left,
# order form and back at the bottom, home page at the top right).
oak 640 480 12 "$work/oak2.png"
"${im[@]}" "$work/oak2.png" -modulate 85 \
  -fill '#00000070' -draw 'rectangle 238,58 612,404' \
  -fill '#efe3c4' -draw 'rectangle 232,52 606,398' -fill none -stroke '#b89a68' -draw 'rectangle 240,60 598,390' -stroke none \
  -draw "translate 250,150 scale 0.7,0.7 $house" \
  -font "$serif_bold" -pointsize 26 -fill '#3a2412' -annotate +262+100 'Ostrevan Haus' \
  -font "$serif" -pointsize 15 -fill '#6a3020' -annotate +264+124 'Die erweiterte Ausgabe' \
  -font "$serif" -pointsize 12 -fill '#3a2412' \
  -annotate +380+170 'Neue Räume: der Keller' -annotate +380+188 'mit Weinlager und das' \
  -annotate +380+206 'Kontor im Obergeschoss.' \
  -annotate +380+236 'Hundert weitere Briefe' -annotate +380+254 'und Rechnungen der' \
  -annotate +380+272 'Familie Ostrevan.' \
  -annotate +380+302 'Führungen mit Ton durch' -annotate +380+320 'alle Geschosse.' \
  -font "$serif_bold" -pointsize 13 -annotate +262+352 'Bestellen Sie mit dem Formular unten' \
  -annotate +262+370 'oder links im Online-Shop.' \
  -fill '#8c6623' -draw 'rectangle 0,0 639,3 rectangle 0,476 639,479' \
  -quality 90 "$out/Bilder/upgrade.jpg"

# A one-page catalogue.
printf '%s\n' '%PDF-1.1' '1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj' \
  '2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj' \
  '3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >> endobj' \
  'trailer << /Root 1 0 R >>' '%%EOF' > "$out/Katalog.pdf"

# The programs.
cp "$build/launchers/autorun/tesselby" "$out/Tesselby.exe"
cp "$build/launchers/setup/pellam-setup" "$out/PellamSetup.exe"
cp "$build/tests/launcher-test-installer" "$out/Setup/install.exe"
if [ -n "$title" ]; then
  cp "$build/title/main/ostrevan-haus" "$out/installed/OstrevanHaus.exe"
  mkdir -p "$out/installed/Media" "$out/Media"
  cp "$title/Media/QV_GUI.msf" "$out/installed/Media/"
  cp "$title"/CD/Media/*.msf "$out/Media/"
else
  cp "$build/tests/launcher-test-installer" "$out/installed/OstrevanHaus.exe"
fi
winpath="Z:$(printf '%s' "$out/installed" | tr '/' '\\')"
python3 - "$out/Setup/setup.iss" "$winpath" <<'PY'
import sys
path, value = sys.argv[1], sys.argv[2]
text = open(path, encoding="latin-1").read().replace("@INSTALL_DIR@", value)
open(path, "w", encoding="latin-1").write(text)
PY
echo "launcher disc made in $out"
