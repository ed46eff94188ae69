#!/usr/bin/env bash
# The relations stage of the sample disc: the relations screen's people and
# things of the house (the linked-record table TEXT 12102, their texts
# 18300-18307 and the headings of their text panels 12160-12167), their item
# buttons (12200 + 10 k with the states p+1..p+3 and the marked picture
# p - 1000), the screen's panel (12100), its three flying pictures (12110,
# 12120, 12130), the small turning house (12400-12449 frames, 12500-12549
# masks, 12600-12649 highlights, 178 x 134, made from the index stage's
# prebuilt model renders, which depends.txt names) and its intro
# (12132-12147), and the pop-up text panel's own pictures (12103-12106,
# 12900-12922).
#
# Usage: make.sh OUTDIR TOOL     (TOOL: ostrevan-tool, unused)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
stage="$(basename "$here")"
die() { echo "$stage: $*" >&2; exit 1; }
out="${1:?usage: make.sh OUTDIR TOOL}"
: "${2:?usage: make.sh OUTDIR TOOL}"

command -v python3 >/dev/null 2>&1 || die "python3 not found: apt-get install python3"
py=python3
if ! "$py" -c 'import PIL' 2>/dev/null; then py=/usr/bin/python3; fi
"$py" -c 'import PIL' 2>/dev/null || die "Python's PIL not found: apt-get install python3-pil"
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf ] || die "DejaVu Serif Bold not found: apt-get install fonts-dejavu-core"
model="$here/../index/prebuilt"
[ -f "$model/f00.gif" ] || die "the index stage's model renders are missing ($model)"

"$py" "$here/relations.py" "$here" "$model" "$out" || die "relations.py failed (sources in $here)"
