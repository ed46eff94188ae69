# Music and voices of the media stage (sourced by make.sh; render.sh uses
# what they make). Every function writes into $tmp and stops the stage with
# the failing step and source named.
#   music NAME: music/NAME.abc -> $tmp/NAME.mid -> $tmp/NAME.wav (44100 Hz stereo)
#   voice NAME: voice/NAME.txt -> $tmp/NAME.wav (espeak-ng German, 22050 Hz mono)
#   narration OUT NAME...: the voices one after another with pauses between
#     them into $tmp/OUT.wav; the start of each voice (ms) goes to $tmp/OUT.starts
soundfont=/usr/share/sounds/sf2/FluidR3_GM.sf2

music() {
  local name="$1"
  abc2midi "$here/music/$name.abc" -o "$tmp/$name.mid" >"$tmp/$name.abc.log" 2>&1 \
    || die "abc2midi failed on music/$name.abc (see $tmp/$name.abc.log)"
  fluidsynth -ni -q -g 0.7 -r 44100 -F "$tmp/$name.fs.wav" "$soundfont" "$tmp/$name.mid" \
    >"$tmp/$name.fs.log" 2>&1 || die "fluidsynth failed on music/$name.abc"
  # Trim the silence fluidsynth leaves at the end, then normalise.
  sox "$tmp/$name.fs.wav" "$tmp/$name.wav" reverse silence 1 0.05 -70d reverse gain -n -1 \
    || die "sox failed on the rendering of music/$name.abc"
}

voice() {
  local name="$1"
  espeak-ng -v de -s 140 -p 42 -w "$tmp/$name.es.wav" -f "$here/voice/$name.txt" \
    || die "espeak-ng failed on voice/$name.txt"
  sox "$tmp/$name.es.wav" -r 22050 -c 1 -b 16 "$tmp/$name.wav" silence 1 0.02 -50d reverse silence 1 0.02 -50d reverse \
    || die "sox failed on the voice of voice/$name.txt"
}

# Lead and pause around the voices of a narration, in seconds.
narration_lead=0.6
narration_pause=0.9

narration() {
  local out="$1"; shift
  local parts=() t=0 name ms
  : > "$tmp/$out.starts"
  sox -n -r 22050 -c 1 -b 16 "$tmp/$out.lead.wav" trim 0 "$narration_lead" \
    && sox -n -r 22050 -c 1 -b 16 "$tmp/$out.pause.wav" trim 0 "$narration_pause" \
    || die "sox failed making the silences of the narration $out"
  parts+=("$tmp/$out.lead.wav")
  t=$(echo "$narration_lead" | awk '{ printf "%d", $1 * 1000 }')
  for name in "$@"; do
    voice "$name"
    echo "$t" >> "$tmp/$out.starts"
    ms=$(soxi -s "$tmp/$name.wav" | awk '{ printf "%d", $1 * 1000 / 22050 }')
    t=$(awk -v a="$t" -v b="$ms" -v p="$narration_pause" 'BEGIN { printf "%d", a + b + p * 1000 }')
    parts+=("$tmp/$name.wav" "$tmp/$out.pause.wav")
  done
  sox "${parts[@]}" "$tmp/$out.wav" || die "sox failed joining the narration $out"
}

# bed MUSIC SECONDS GAIN OUT: the music cut (or padded with silence) to the
# length, faded out over its last 3 s, at 22050 Hz mono with the given gain
# (dB), into $tmp/OUT.wav.
bed() {
  local len
  len="$2"
  sox -V1 "$tmp/$1.wav" -r 22050 -c 1 -b 16 "$tmp/$4.wav" remix - gain "$3" pad 0 "$len" trim 0 "$len" fade q 0.5 "$len" 3 \
    || die "sox failed making the music bed $4 from music/$1.abc"
}
