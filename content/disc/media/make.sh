#!/usr/bin/env bash
# The media stage of the sample disc: closing-panel music (6005, 6006), the
# opening movie (18000), the video item VI001 (19700-19703) and the slide
# show SH001 (19600-19608). Music is written in ABC (music/), rendered by
# abc2midi and fluidsynth; voices are espeak-ng's German from voice/; the
# pictures are POV-Ray renders of scene/.
#
# Usage: make.sh OUTDIR TOOL     (TOOL: ostrevan-tool, used to check that
#                                 the engine decodes every sound and movie)
#        make.sh --update-prebuilt TOOL
#
# Rendering is the slow part and needs the renderers (POV-Ray, abcmidi,
# fluidsynth and its General MIDI font, espeak-ng, ffmpeg, ImageMagick), so
# its results (movies, photographs, music, the narrated sound and the
# narration's part starts) are kept in prebuilt/ with the hash of their
# sources (scene/, music/, voice/, sound.sh, render.sh) in
# prebuilt/SOURCES.sha256. While the hash matches, the stage copies them and
# needs only sox and iconv; otherwise it renders (all cores).
# --update-prebuilt renders and refreshes prebuilt/ after a source change.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
stage="$(basename "$here")"
die() { echo "$stage: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null 2>&1 || die "$1 not found: apt-get install $2"; }

update=0
if [ "${1:-}" = "--update-prebuilt" ]; then
  update=1
  out="$(mktemp -d)"
  trap 'rm -rf "$out"' EXIT
else
  out="${1:?usage: make.sh OUTDIR TOOL | make.sh --update-prebuilt TOOL}"
fi
tool="${2:?usage: make.sh OUTDIR TOOL}"
[ -x "$tool" ] || die "ostrevan-tool not found at $tool"

need sox sox
need iconv libc-bin
need_renderers() {
  need abc2midi abcmidi
  need fluidsynth fluidsynth
  need espeak-ng espeak-ng
  need ffmpeg ffmpeg
  need povray povray
  if command -v magick >/dev/null 2>&1; then im=(magick); else need convert imagemagick; im=(convert); fi
  [ -f /usr/share/sounds/sf2/FluidR3_GM.sf2 ] || die "FluidR3_GM.sf2 not found: apt-get install fluid-soundfont-gm"
}

mkdir -p "$out/tmp"
tmp="$out/tmp"
# shellcheck source=sound.sh
source "$here/sound.sh"
# shellcheck source=render.sh
source "$here/render.sh"

sources_hash() {
  (cd "$here" && find scene music voice sound.sh render.sh -type f -print0 | LC_ALL=C sort -z \
    | xargs -0 sha256sum | sha256sum | cut -d' ' -f1)
}

# --- Music and voices ---
make_sounds() {
music minuet
music chorale
voice welcome
narration vi001 vi001-1 vi001-2 vi001-3 vi001-4 vi001-5
narration sh001 sh001-1 sh001-2 sh001-3 sh001-4

# Closing-panel music: the menuett and the chorale, 22050 Hz mono MS-ADPCM.
sox "$tmp/minuet.wav" -r 22050 -c 1 -e ms-adpcm "$out/6005.wav" remix - fade q 0 -0 2 \
  || die "sox failed making 6005 from music/minuet.abc"
sox "$tmp/chorale.wav" -r 22050 -c 1 -e ms-adpcm "$out/6006.wav" remix - fade q 0 -0 2 \
  || die "sox failed making 6006 from music/chorale.abc"

# The slide show's sound: the narration over the chorale, PCM.
sh_len=$(awk -v t="$(soxi -D "$tmp/sh001.wav")" 'BEGIN { printf "%.2f", t + 1.0 }')
bed chorale "$sh_len" -15 sh001.bed
sox "$tmp/sh001.wav" "$tmp/sh001.voice.wav" pad 0 1.0 || die "sox failed padding the SH001 narration"
sox -m "$tmp/sh001.bed.wav" "$tmp/sh001.voice.wav" -r 22050 -c 1 -b 16 "$out/19604.wav" gain -n -1 \
  || die "sox failed mixing the SH001 sound"
}

# --- Rendered media: committed results while their sources are unchanged ---
hash="$(sources_hash)"
if [ "$update" -eq 0 ] && [ -f "$here/prebuilt/SOURCES.sha256" ] \
   && [ "$(cat "$here/prebuilt/SOURCES.sha256")" = "$hash" ]; then
  cp "$here/prebuilt/"*.mpg "$here/prebuilt/"*.jpg "$here/prebuilt/"*.wav "$out/"
  cp "$here/prebuilt/sh001.starts" "$tmp/"
  echo "$stage: rendered media taken from prebuilt/ (sources unchanged)"
else
  echo "$stage: rendering (sources changed or --update-prebuilt) ..."
  need_renderers
  make_sounds
  render "$out"
  if [ "$update" -eq 1 ]; then
    mkdir -p "$here/prebuilt"
    rm -f "$here/prebuilt/"*.mpg "$here/prebuilt/"*.jpg "$here/prebuilt/"*.wav "$here/prebuilt/sh001.starts"
    cp "$out/"*.mpg "$out/"*.jpg "$out/"*.wav "$tmp/sh001.starts" "$here/prebuilt/"
    echo "$hash" > "$here/prebuilt/SOURCES.sha256"
    echo "$stage: prebuilt/ refreshed (hash $hash)"
  fi
fi

# --- Texts: captions, links and the slide-show sequence (code page 1252) ---
for id in 19602 19603 19702 19703; do
  # without the file's final line break
  printf '%s' "$(cat "$here/texts/$id.txt")" | iconv -f UTF-8 -t CP1252 > "$out/$id.txt" \
    || die "iconv failed on texts/$id.txt"
done
# The sequence: the sound for its whole length, then one picture per part of
# the narration, each fading in over one second from half a second before its
# part begins, over the previous picture (which stays until it is covered).
mapfile -t starts < "$tmp/sh001.starts"
sound_ms=$(soxi -s "$out/19604.wav" | awk '{ printf "%d", $1 * 1000 / 22050 }')
{
  printf 'channel { item sound { start 0 sustain %d resid 19604 volume 80 } }\r\n' "$sound_ms"
  for ((k = 0; k < ${#starts[@]}; k++)); do
    start=$(( k == 0 ? 0 : starts[k] - 500 ))
    rise=$(( k == 0 ? 0 : 1000 ))
    if ((k + 1 < ${#starts[@]})); then
      sustain=$(( starts[k + 1] - 500 - start - rise ))
    else
      sustain=$(( sound_ms - start - rise - 1000 ))
    fi
    printf 'channel { item picture { start %d rise %d sustain %d decay 1000 resid %d opacity 1.00 bounds 0 0 0 0 } }\r\n' \
      "$start" "$rise" "$sustain" $((19605 + k))
  done
} > "$out/19600.txt"

# --- Checks: the engine decodes every sound and both movies ---
for f in 6005 6006 19604; do
  "$tool" sound decode "$out/$f.wav" "$tmp/check.wav" >/dev/null || die "ostrevan-tool cannot decode sound $f"
done
for f in 18000 19701; do
  rm -rf "$tmp/check"; mkdir -p "$tmp/check"
  "$tool" movie frames "$out/$f.mpg" "$tmp/check" --audio "$tmp/check.wav" >/dev/null \
    || die "ostrevan-tool cannot decode movie $f"
  [ -n "$(ls "$tmp/check")" ] || die "ostrevan-tool decoded no frame of movie $f"
done
for f in 19605 19606 19607 19608; do
  "$tool" image decode "$out/$f.jpg" "$tmp/check.ppm" >/dev/null || die "ostrevan-tool cannot decode picture $f"
done

# --- Builder fragments: paths relative to the driver's work folder ---
cat > "$out/QV_extra.build" <<FRAG
// Closing-panel music (stage $stage): WAVE 22050 Hz mono MS-ADPCM
6005 0 "$stage/6005.wav"
6006 0 "$stage/6006.wav"
FRAG
cat > "$out/QV_DE.build" <<FRAG
// Slide show SH001 (stage $stage): sequence, caption, link, sound, photographs
19600 40 "$stage/19600.txt"
19602 40 "$stage/19602.txt"
19603 40 "$stage/19603.txt"
19604 0 "$stage/19604.wav"
19605 0 "$stage/19605.jpg"
19606 0 "$stage/19606.jpg"
19607 0 "$stage/19607.jpg"
19608 0 "$stage/19608.jpg"
// Video item VI001 (stage $stage): caption, link
19702 40 "$stage/19702.txt"
19703 40 "$stage/19703.txt"
FRAG
cat > "$out/QV_DE_VI.build" <<FRAG
// Movies (stage $stage): the opening movie and the video item VI001
18000 0 "$stage/18000.mpg"
19701 0 "$stage/19701.mpg"
FRAG
rm -rf "$tmp"
echo "$stage: media made in $out"
