#!/usr/bin/env bash
# The index stage of the sample disc: the index screen's house model (41
# frames of a POV-Ray doll's house turning, their highlights and 8-bit region
# masks, 10400-10640), its intro (10710-10725), backdrop (10001), the bars
# that frame the model (10702-10708), the go-there buttons (10010-10016), the
# viewer strips and their buttons (10018-10029) and the house index TEXT
# 10007 (the eight bubbles' places).
#
# Usage: make.sh OUTDIR TOOL     (TOOL: ostrevan-tool, unused)
#        make.sh --update-prebuilt TOOL
#
# The renders are kept in prebuilt/ (frames and highlights as GIF, masks as
# PNG, the frame of each place in frames.txt) with the hash of their sources
# (scene/ and model.py) in prebuilt/SOURCES.sha256. While the
# hash matches the stage only needs Python's PIL; otherwise it renders with
# POV-Ray on all cores. --update-prebuilt renders and refreshes prebuilt/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
stage="$(basename "$here")"
die() { echo "$stage: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null 2>&1 || die "$1 not found: apt-get install $2"; }

update=0
if [ "${1:-}" = "--update-prebuilt" ]; then
  update=1
  out="$(mktemp -d)/$stage"
  mkdir -p "$out"
  trap 'rm -rf "$(dirname "$out")"' EXIT
else
  out="${1:?usage: make.sh OUTDIR TOOL | make.sh --update-prebuilt TOOL}"
fi
: "${2:?usage: make.sh OUTDIR TOOL}"

need python3 python3
# Debian's python3-pil lives in the system Python, which another python3 on
# the PATH may hide.
py=python3
if ! "$py" -c 'import PIL' 2>/dev/null; then py=/usr/bin/python3; fi
"$py" -c 'import PIL' 2>/dev/null || die "Python's PIL not found: apt-get install python3-pil"
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf ] || die "DejaVu Sans Bold not found: apt-get install fonts-dejavu-core"

sources_hash() {
  (cd "$here" && find scene model.py -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum | sha256sum | cut -d' ' -f1)
}

render() {  # render DEST: the model's pictures into DEST
  local dest="$1" raw jobs f
  need povray povray
  raw="$out/raw"
  mkdir -p "$raw"
  cp "$here/scene/model.pov" "$raw/"
  jobs=$(nproc 2>/dev/null || echo 2)
  {
    for ((f = 0; f < 41; f++)); do
      printf -v n '%02d' "$f"
      echo "+Imodel.pov +Of$n.png +W320 +H240 +A0.3 +R2 Declare=Frame=$f Declare=Mask=0"
      echo "+Imodel.pov +Om$n.png +W320 +H240 -A Declare=Frame=$f Declare=Mask=1"
    done
  } | (cd "$raw" && xargs -P "$jobs" -L 1 povray -D -V +WT1 -GA >/dev/null 2>"$raw/povray.log") \
    || die "POV-Ray failed rendering scene/model.pov (log $raw/povray.log)"
  "$py" "$here/model.py" post "$raw" "$dest" || die "model.py post failed on the renders of scene/model.pov"
  rm -rf "$raw"
}

hash="$(sources_hash)"
model="$here/prebuilt"
if [ "$update" -eq 1 ] || [ "$(cat "$here/prebuilt/SOURCES.sha256" 2>/dev/null)" != "$hash" ]; then
  model="$out/model"
  render "$model"
  if [ "$update" -eq 1 ]; then
    rm -rf "$here/prebuilt"
    mkdir -p "$here/prebuilt"
    cp "$model"/* "$here/prebuilt/"
    echo "$hash" > "$here/prebuilt/SOURCES.sha256"
    echo "$stage: prebuilt/ refreshed"
    exit 0
  fi
fi
"$py" "$here/model.py" finish "$model" "$out" || die "model.py finish failed (pictures from $model)"
