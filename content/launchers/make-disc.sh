#!/usr/bin/env bash
# Makes the launchers' sample disc in OUTDIR: the settings, readme and order
# form from content/launchers/disc, the cover, setup and upgrade pictures
# drawn with ImageMagick, a tiny catalogue PDF, and the programs from the
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

# The cover: normal, under the pointer, pressed (180 x 246, 8 bits a pixel).
cover() {
  "${im[@]}" -size 180x246 "gradient:$1-$2" +antialias -fill none -stroke white -strokewidth 3 \
    -draw 'rectangle 8,8 171,237' -fill white -stroke none -draw 'polygon 90,40 150,110 30,110' \
    -draw 'rectangle 45,110 135,200' -fill "$2" -draw 'rectangle 78,150 102,200' \
    -type palette BMP3:"$out/Bilder/cover_$3.bmp"
}
cover '#7a3020' '#d08040' n
cover '#9a4828' '#f0a060' h
cover '#4a1810' '#a06030' c

# The setup launcher's picture (beside the text of its dialogs).
"${im[@]}" -size 120x200 gradient:'#203060'-'#6080c0' +antialias -fill white \
  -draw 'polygon 60,30 105,80 15,80' -draw 'rectangle 25,80 95,160' -quality 90 "$out/Setup/setup.jpg"

# The upgrade page's background (641 x 480 pixels from x 1).
"${im[@]}" -size 640x480 gradient:'#e0e0f0'-'#8090b0' +antialias -fill '#304070' \
  -draw 'rectangle 40,60 600,120' -fill white -draw 'rectangle 60,80 580,100' -quality 90 "$out/Bilder/upgrade.jpg"

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
