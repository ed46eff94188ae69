#!/usr/bin/env bash
# The title's interface sounds (media ids 600-602 and 604-624), synthesised
# with sox as WAVE, 22050 Hz, 16-bit, mono; the longer chimes are stored as
# MS-ADPCM to keep the archive small. Writes OUTDIR/<id>.wav and the
# interface archive's fragment OUTDIR/QV_GUI.build.
# Usage: make.sh OUTDIR TOOL   (TOOL: ostrevan-tool; every sound is decoded
# through it as a check that the engine plays what was made)
set -euo pipefail
out="${1:?usage: make.sh OUTDIR TOOL}"
tool="${2:?usage: make.sh OUTDIR TOOL}"
stage="$(basename "$(cd "$(dirname "$0")" && pwd)")"
need() { command -v "$1" >/dev/null 2>&1 || { echo "$stage: $1 not found: apt-get install $2" >&2; exit 1; }; }
need sox sox
[ -x "$tool" ] || { echo "$stage: ostrevan-tool not found at $tool" >&2; exit 1; }
mkdir -p "$out/tmp"
tmp="$out/tmp"
rate=(-r 22050 -b 16 -c 1)

fail() { echo "$stage: sound $1: $2 failed" >&2; exit 1; }

# tone ID LENGTH SYNTH... -- EFFECTS...: one sox synth line into tmp/ID.raw.wav
tone() {
  local id="$1" len="$2"; shift 2
  local synth=() effects=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do synth+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  effects=("$@")
  sox -n "${rate[@]}" "$tmp/$id.raw.wav" synth "$len" "${synth[@]}" "${effects[@]}" \
    || fail "$id" "sox synth"
}

# notes ID NOTE:OFFSET... -- EFFECTS...: plucked notes started at the given
# offsets (seconds), mixed, then the effects.
notes() {
  local id="$1"; shift
  local parts=() n=0
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    local note="${1%%:*}" off="${1##*:}"
    sox -n "${rate[@]}" "$tmp/$id.n$n.wav" synth 1.2 pluck "$note" fade q 0 1.2 0.9 gain -8 pad "$off" 0 \
      || fail "$id" "sox note $note"
    parts+=("$tmp/$id.n$n.wav"); n=$((n + 1)); shift
  done
  [ $# -gt 0 ] && shift
  if [ ${#parts[@]} -eq 1 ]; then
    sox "${parts[0]}" "${rate[@]}" "$tmp/$id.raw.wav" "$@" || fail "$id" "sox effects"
  else
    sox -m "${parts[@]}" "${rate[@]}" "$tmp/$id.raw.wav" "$@" || fail "$id" "sox mix"
  fi
}

# Clicks, ticks and blips (PCM).
tone 600 0.045 pluck 880 -- gain -6 fade q 0 0.045 0.035 lowpass 4000 gain -n -3       # button pressed
tone 601 0.030 sine 2600 -- fade q 0.002 0.030 0.026 gain -n -12               # pointer over
tone 602 0.050 pluck 587 -- gain -6 fade q 0 0.050 0.040 lowpass 3000 gain -n -3       # button released, back
tone 605 0.040 sine 1760 -- fade q 0.003 0.040 0.032 gain -n -10               # strip button over
tone 606 0.250 sine 420-900 -- fade h 0.02 0.250 0.12 gain -n -6               # panel opens
tone 608 0.030 square 700 -- gain -6 lowpass 1800 fade q 0 0.030 0.024 gain -n -10     # list step
tone 609 0.050 sine 1397 -- fade q 0.004 0.050 0.040 gain -n -9                # arrow over
tone 610 0.250 sine 900-400 -- fade h 0.01 0.250 0.15 gain -n -6               # panel closes
tone 616 0.020 whitenoise -- gain -6 bandpass 2200 0.7q fade q 0 0.020 0.018 gain -n -8  # house turns a step
tone 617 0.080 sine 1047 -- fade q 0.005 0.080 0.06 gain -n -10                # region over
tone 618 0.350 pinknoise -- gain -6 bandpass 1500 1q fade q 0.12 0.350 0.2 gain -n -10 # timeline sweeps
tone 619 0.060 sine 1175 -- fade q 0.004 0.060 0.05 gain -n -9                 # card reached
tone 621 0.180 brownnoise synth sine mix 95 -- lowpass 700 fade q 0.003 0.180 0.16 gain -n -4  # a soft footstep: door walks, timeline at its end
tone 622 0.280 brownnoise -- gain -6 highpass 600 lowpass 4000 fade q 0.05 0.280 0.2 gain -n -8  # page turns
# Chimes (MS-ADPCM).
notes 604 G5:0 D6:0.09 -- trim 0 0.9 fade q 0 0.9 0.5 gain -n -3               # main panel
notes 607 A5:0 -- trim 0 0.45 fade q 0 0.45 0.3 gain -n -4                     # item chosen
notes 611 C5:0 E5:0 G5:0 -- trim 0 0.6 fade q 0 0.6 0.4 gain -n -4             # chord
notes 612 C5:0 -- trim 0 0.35 fade q 0 0.35 0.25 gain -n -6                    # selector: aspects
notes 613 E5:0 -- trim 0 0.35 fade q 0 0.35 0.25 gain -n -6                    # selector: relations
notes 614 G5:0 -- trim 0 0.35 fade q 0 0.35 0.25 gain -n -6                    # selector: storyline
notes 615 C6:0 -- trim 0 0.35 fade q 0 0.35 0.25 gain -n -6                    # selector: index
notes 620 C6:0 -- trim 0 0.15 fade q 0 0.15 0.1 gain -n -5                     # card clicked
notes 623 C5:0 E5:0.06 G5:0.12 C6:0.18 -- trim 0 0.8 fade q 0 0.8 0.45 gain -n -4  # details open
notes 624 C6:0 G5:0.06 E5:0.12 C5:0.18 -- trim 0 0.8 fade q 0 0.8 0.45 gain -n -4  # details close

adpcm=" 604 607 611 612 613 614 615 620 623 624 "
frag="$out/QV_GUI.build"
echo "// Interface sounds (stage $stage): WAVE 22050 Hz 16-bit mono, chimes MS-ADPCM" > "$frag"
for raw in "$tmp"/*.raw.wav; do
  id="$(basename "$raw" .raw.wav)"
  if [[ "$adpcm" == *" $id "* ]]; then
    sox "$raw" -r 22050 -c 1 -e ms-adpcm "$out/$id.wav" || fail "$id" "sox MS-ADPCM"
  else
    sox "$raw" -r 22050 -c 1 -b 16 -e signed-integer "$out/$id.wav" || fail "$id" "sox PCM"
  fi
  # The engine must decode every sound as it will play it.
  "$tool" sound decode "$out/$id.wav" "$tmp/$id.check.wav" >/dev/null \
    || fail "$id" "ostrevan-tool sound decode"
  echo "$id 0 \"$stage/$id.wav\"" >> "$frag"
done
count=$(grep -c '^6' "$frag")
[ "$count" -eq 24 ] || { echo "$stage: expected 24 sounds, made $count" >&2; exit 1; }
rm -rf "$tmp"
echo "$stage: $count interface sounds made in $out"
