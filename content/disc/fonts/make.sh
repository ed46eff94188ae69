#!/usr/bin/env bash
# The title's twelve picture fonts: glyphs at 500+i and their metrics at 520+i
# (the builder makes both from one line: an alpha strip and a FONT record; the
# title reads the strip of 500+i and the record of 520+i). Drawn from DejaVu
# Serif, DejaVu Sans and Liberation Serif through fontconfig and FreeType when the archive is
# built, so this stage only checks the faces and writes the fragment.
# Usage: make.sh OUTDIR TOOL
set -euo pipefail
out="${1:?usage: make.sh OUTDIR TOOL}"
mkdir -p "$out"

# index face size style (style 1 = bold)
fonts=(
  "0 DejaVu_Sans 10 0"    # small print
  "1 DejaVu_Sans 12 0"    # plain text
  "2 DejaVu_Serif 12 0"   # list items, headings of lists
  "3 DejaVu_Serif 14 1"   # event cards (drawn from the alpha strip)
  "4 DejaVu_Sans 11 0"    # the strip's link text
  "5 DejaVu_Serif 11 0"   # list rows, room overlay texts
  "6 DejaVu_Serif 12 1"   # headings ("<kopje>"), companion lists
  "7 Liberation_Serif 12 0" # closing panel text, chosen titles, the storyline's
                            # dates and date readout: narrow digits, so that "1942," fits the 30
                            # pixels of a band's year and "14." its 17 of the day
  "8 DejaVu_Serif 13 0"   # the strip's caption and status lines
  "9 DejaVu_Serif 18 0"   # large labels
  "10 DejaVu_Serif 11 0"  # running text of the tour's info page
  "11 DejaVu_Serif 12 1"  # overlay headings
)

command -v fc-list >/dev/null || { echo "fonts: fc-list not found: apt-get install fontconfig" >&2; exit 1; }
for face in "DejaVu Serif" "DejaVu Sans" "Liberation Serif"; do
  if ! fc-list : family | grep -qx "$face\(,.*\)\?"; then
    echo "fonts: the face \"$face\" is not installed: apt-get install fonts-dejavu-core fonts-liberation" >&2
    exit 1
  fi
done

{
  echo "// Picture fonts: glyph strips 500-511 and metrics 520-531 (content/disc/fonts)"
  for row in "${fonts[@]}"; do
    read -r index face size style <<<"$row"
    face="${face//_/ }"
    echo "$((500 + index)) -11 \"$face\" $size $style"
    echo "$((520 + index)) -11 \"$face\" $size $style"
  done
} > "$out/QV_GUI.build"
echo "fonts: 12 picture fonts in $out/QV_GUI.build"
