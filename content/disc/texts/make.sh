#!/usr/bin/env bash
# The title's interface texts in German: the strip's status, caption and hover
# texts, the welcome line, the room overlay's button texts, the tour info
# page's heading and the closing panel's pages (18226). Sources are UTF-8
# (lines.txt: one text a line; long/: one file a text); the archive holds them in code page 1252, as the picture fonts map it.
# Usage: make.sh OUTDIR TOOL
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: make.sh OUTDIR TOOL}"
stage="$(basename "$here")"
mkdir -p "$out/txt"
command -v iconv >/dev/null || { echo "texts: iconv not found: apt-get install libc-bin" >&2; exit 1; }

# The archive a text goes to: ids from 18000 up are the language archive's.
fragment() { if (( $1 >= 18000 || $1 < 50 )); then echo "$out/QV_DE.build"; else echo "$out/QV_GUI.build"; fi; }
: > "$out/QV_DE.build"
: > "$out/QV_GUI.build"

add() { # id file-in-out
  local id=$1 file=$2
  echo "$id 40 \"$stage/txt/$(basename "$file")\" 0" >> "$(fragment "$id")"
}

n=0
while IFS= read -r line; do
  [[ -z "$line" || "$line" == \#* ]] && continue
  id="${line%% *}"
  text="${line#* }"
  if ! [[ "$id" =~ ^[0-9]+$ ]]; then echo "texts: lines.txt: no id at the start of \"$line\"" >&2; exit 1; fi
  if ! printf '%s' "$text" | iconv -f UTF-8 -t CP1252 > "$out/txt/$id.txt"; then
    echo "texts: lines.txt: text $id has characters outside code page 1252" >&2; exit 1
  fi
  add "$id" "$out/txt/$id.txt"
  n=$((n + 1))
done < "$here/lines.txt"

for src in "$here"/long/*.txt; do
  id="$(basename "$src" .txt)"
  # Lines end in CR LF as the title's text readers expect of Windows texts.
  if ! sed 's/$/\r/' "$src" | iconv -f UTF-8 -t CP1252 > "$out/txt/$id.txt"; then
    echo "texts: $src has characters outside code page 1252" >&2; exit 1
  fi
  add "$id" "$out/txt/$id.txt"
  n=$((n + 1))
done
echo "texts: $n texts in $out"
