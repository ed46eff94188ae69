#!/usr/bin/env bash
# The media stage of the sample disc: closing-panel music (6005, 6006), the
# opening movie (18000), the video items VI001-VI003 (19700-19703,
# 19720-19723, 19740-19743) and the slide shows SH001-SH003 (19600-19608,
# 19620-19632, 19640-19653). Music is written in ABC (music/), rendered by
# abc2midi and fluidsynth; voices are espeak-ng's German from voice/ and
# items/voice/; the pictures are POV-Ray renders of scene/ and, for the items
# of items/, of the tour's house (content/disc/tour).
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
# prebuilt/SOURCES.sha256; the items of items/ likewise in prebuilt/items/
# with the hash of the scenes they are rendered from (items/render.sh). While
# a hash matches, the stage copies them and needs only sox, iconv and python3;
# otherwise it renders (all cores).
# --update-prebuilt renders and refreshes prebuilt/ (or prebuilt/items/) after
# a source change; a part whose hash still matches is left as it is (remove
# its SOURCES.sha256 to render it again all the same).
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
need python3 python3
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
# shellcheck source=items/render.sh
source "$here/items/render.sh"

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
# 6006 plays with the closing panel's last animation (75 frames of 75 ms, the
# lights going out and the picture fading to black), and the panel ends when
# it has played: the chorale's first six and a half seconds, faded out as the
# picture fades, so no music goes on over a black screen.
sox "$tmp/chorale.wav" -r 22050 -c 1 -e ms-adpcm "$out/6006.wav" remix - trim 0 6.5 fade q 0 -0 2.5 \
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
if [ -f "$here/prebuilt/SOURCES.sha256" ] \
   && [ "$(cat "$here/prebuilt/SOURCES.sha256")" = "$hash" ]; then
  cp "$here/prebuilt/"*.mpg "$here/prebuilt/"*.jpg "$here/prebuilt/"*.wav "$out/"
  cp "$here/prebuilt/sh001.starts" "$tmp/"
  echo "$stage: rendered media taken from prebuilt/ (sources unchanged)"
else
  echo "$stage: rendering (sources changed) ..."
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

# --- The items of items/: SH002, SH003, VI002, VI003 ---
items="$(items_hash)"
if [ -f "$here/prebuilt/items/SOURCES.sha256" ] \
   && [ "$(cat "$here/prebuilt/items/SOURCES.sha256")" = "$items" ]; then
  cp "$here/prebuilt/items/"*.mpg "$here/prebuilt/items/"*.jpg "$here/prebuilt/items/"*.wav "$out/"
  cp "$here/prebuilt/items/"*.starts "$tmp/"
  echo "$stage: items taken from prebuilt/items/ (scenes and narration unchanged)"
else
  echo "$stage: rendering the items (scenes or narration changed) ..."
  need_renderers
  [ -f "$tmp/minuet.wav" ] || music minuet
  [ -f "$tmp/chorale.wav" ] || music chorale
  items_render "$tmp/items-out"
  cp "$tmp/items-out/"*.mpg "$tmp/items-out/"*.jpg "$tmp/items-out/"*.wav "$out/"
  cp "$tmp/items-out/"*.starts "$tmp/"
  if [ "$update" -eq 1 ]; then
    rm -rf "$here/prebuilt/items"
    mkdir -p "$here/prebuilt/items"
    cp "$tmp/items-out/"* "$here/prebuilt/items/"
    echo "$items" > "$here/prebuilt/items/SOURCES.sha256"
    echo "$stage: prebuilt/items/ refreshed (hash $items)"
  fi
fi

# --- Texts: captions, links and the slide-show sequences (code page 1252) ---
for text in "$here"/texts/*.txt "$here"/items/texts/*.txt; do
  # without the file's final line break
  printf '%s' "$(cat "$text")" | iconv -f UTF-8 -t CP1252 > "$out/$(basename "$text")" \
    || die "iconv failed on ${text#"$here/"}"
done
# A sequence: the sound for its whole length, then one picture per part of
# the narration, each fading in over one second from half a second before its
# part begins, over the previous picture (which stays until it is covered).
# sequence ID NAME writes the TEXT ID: its sound is ID + 4, its pictures are
# ID + 5 on, one for each part start (ms) in $tmp/NAME.starts.
sequence() {
  local id="$1" starts=() sound_ms k start rise sustain
  mapfile -t starts < "$tmp/$2.starts"
  sound_ms=$(soxi -D "$out/$((id + 4)).wav" | awk '{ printf "%d", $1 * 1000 }')
  [ -n "$sound_ms" ] && [ "$sound_ms" -gt 0 ] || die "sox cannot measure the sound $((id + 4)) of the sequence $id"
  {
    printf 'channel { item sound { start 0 sustain %d resid %d volume 80 } }\r\n' "$sound_ms" $((id + 4))
    for ((k = 0; k < ${#starts[@]}; k++)); do
      start=$(( k == 0 ? 0 : starts[k] - 500 ))
      rise=$(( k == 0 ? 0 : 1000 ))
      if ((k + 1 < ${#starts[@]})); then
        sustain=$(( starts[k + 1] - 500 - start - rise ))
      else
        sustain=$(( sound_ms - start - rise - 1000 ))
      fi
      printf 'channel { item picture { start %d rise %d sustain %d decay 1000 resid %d opacity 1.00 bounds 0 0 0 0 } }\r\n' \
        "$start" "$rise" "$sustain" $((id + 5 + k))
    done
  } > "$out/$id.txt"
}
sequence 19600 sh001
sequence 19620 sh002
sequence 19640 sh003

# --- Checks: the engine decodes every sound, movie and picture ---
for f in 6005 6006 19604 19624 19644; do
  "$tool" sound decode "$out/$f.wav" "$tmp/check.wav" >/dev/null || die "ostrevan-tool cannot decode sound $f"
done
for f in 18000 19701 19721 19741; do
  rm -rf "$tmp/check"; mkdir -p "$tmp/check"
  "$tool" movie frames "$out/$f.mpg" "$tmp/check" --audio "$tmp/check.wav" >/dev/null \
    || die "ostrevan-tool cannot decode movie $f"
  [ -n "$(ls "$tmp/check")" ] || die "ostrevan-tool decoded no frame of movie $f"
done
for f in $(seq 19605 19608) $(seq 19625 19632) $(seq 19645 19653); do
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
// Slide shows SH002, SH003 (stage $stage): sequence, caption, link, sound, pictures
$(for base in 19620 19640; do
    for id in $base $((base + 2)) $((base + 3)); do echo "$id 40 \"$stage/$id.txt\""; done
    echo "$((base + 4)) 0 \"$stage/$((base + 4)).wav\""
    for id in $(seq $((base + 5)) $((base + 19))); do
      if [ -f "$out/$id.jpg" ]; then echo "$id 0 \"$stage/$id.jpg\""; fi
    done
  done)
// Video items VI001-VI003 (stage $stage): caption, link
$(for base in 19700 19720 19740; do
    for id in $((base + 2)) $((base + 3)); do echo "$id 40 \"$stage/$id.txt\""; done
  done)
FRAG
cat > "$out/QV_DE_VI.build" <<FRAG
// Movies (stage $stage): the opening movie and the video items VI001-VI003
18000 0 "$stage/18000.mpg"
19701 0 "$stage/19701.mpg"
19721 0 "$stage/19721.mpg"
19741 0 "$stage/19741.mpg"
FRAG
rm -rf "$tmp"
echo "$stage: media made in $out"
