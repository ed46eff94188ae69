# The rendered media of the media stage (sourced by make.sh after sound.sh):
# POV-Ray frames and stills of scene/, the two movies encoded by ffmpeg and
# the aged photographs of the slide show. `render DEST` writes into DEST:
#   18000.mpg     the opening movie, 384 x 224, 10 s
#   19701.mpg     the video item VI001, 320 x 240, stills with a slow pan
#   19605-19608.jpg  the slide show's photographs, 426 x 320
# It needs in $tmp: minuet.wav, chorale.wav (music), welcome.wav (voice) and
# the narration vi001.wav with vi001.starts (sound.sh).
opening_frames=250   # 10 s at 25 frames a second
lettering_font=/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf

povray_job() {  # povray_job ARGS...: one POV-Ray run in $tmp/scene, quiet
  (cd "$tmp/scene" && povray -D -V +A0.3 +R2 +WT1 -GA "$@" >/dev/null 2>"$tmp/scene/povray.$$.$RANDOM.log") \
    || { echo "povray failed: povray $*" >&2; return 1; }
}
export -f povray_job
export tmp

render_scene() {
  mkdir -p "$tmp/scene"
  cp "$here/scene/"*.pov "$here/scene/"*.inc "$tmp/scene/"
  # The lintel's lettering (POV-Ray reads files only beside the scene).
  cp "$lettering_font" "$tmp/scene/" || die "font $lettering_font not found: apt-get install fonts-liberation"
  local jobs n chunk
  jobs=$(nproc 2>/dev/null || echo 2)
  # The opening frames in chunks, and the five stills, all cores busy.
  chunk=$(( (opening_frames + 2 * jobs - 1) / (2 * jobs) ))
  {
    for v in 1 2 3 4 5; do
      echo "+Istill.pov +Ostill$v.png +W640 +H480 Declare=View=$v"
    done
    for ((n = 1; n <= opening_frames; n += chunk)); do
      echo "+Iopening.pov +Oframe.png +W384 +H224 +KFI1 +KFF$opening_frames +SF$n +EF$((n + chunk - 1 > opening_frames ? opening_frames : n + chunk - 1))"
    done
  } | xargs -P "$jobs" -L 1 bash -c 'povray_job "$@"' _ \
    || die "POV-Ray failed rendering scene/opening.pov or scene/still.pov (logs in $tmp/scene)"
  local made
  made=$(ls "$tmp/scene"/frame*.png | wc -l)
  [ "$made" -eq "$opening_frames" ] || die "POV-Ray made $made of $opening_frames frames of scene/opening.pov"
}

encode_opening() {
  local dest="$1"
  # Music under the walk, the welcome spoken as the house comes near.
  sox "$tmp/minuet.wav" -r 22050 -c 1 "$tmp/opening.music.wav" remix - gain -4 trim 0 10 fade q 0.3 10 2.5 \
    || die "sox failed cutting the opening music"
  sox "$tmp/welcome.wav" "$tmp/opening.voice.wav" pad 6.8 || die "sox failed placing voice/welcome.txt"
  sox -m "$tmp/opening.music.wav" "$tmp/opening.voice.wav" "$tmp/opening.wav" trim 0 10 gain -n -1 \
    || die "sox failed mixing the opening sound"
  ffmpeg -nostdin -loglevel error -y -framerate 25 -i "$tmp/scene/frame%03d.png" -i "$tmp/opening.wav" \
    -c:v mpeg1video -b:v 1100k -maxrate 1500k -bufsize 640k -g 15 -bf 2 -pix_fmt yuv420p \
    -c:a mp2 -ar 44100 -ac 2 -b:a 128k -shortest -f mpeg "$dest/18000.mpg" \
    || die "ffmpeg failed encoding the opening movie (scene/opening.pov)"
}

# The video item: one still per narration part, slowly zoomed or panned,
# faded in and out, with the chorale quietly under the voice. The clips are
# made in parallel.
encode_vi001() {
  local dest="$1" total starts=() k n clips=() filters="" d frames pids=()
  mapfile -t starts < "$tmp/vi001.starts"
  total=$(soxi -D "$tmp/vi001.wav")
  n=${#starts[@]}
  for ((k = 0; k < n; k++)); do
    if ((k + 1 < n)); then
      d=$(( starts[k + 1] - (k == 0 ? 0 : starts[k]) ))
    else
      d=$(awk -v t="$total" -v s="${starts[k]}" 'BEGIN { printf "%d", t * 1000 - s + 1500 }')
    fi
    frames=$(( d * 25 / 1000 ))
    local zoom
    case $((k % 3)) in
      0) zoom="z='1.0+0.18*on/$frames':x='iw/2-iw/zoom/2':y='ih/2-ih/zoom/2'" ;;
      1) zoom="z='1.2':x='(iw-iw/zoom)*on/$frames':y='ih/2-ih/zoom/2'" ;;
      2) zoom="z='1.18-0.18*on/$frames':x='iw/2-iw/zoom/2':y='ih/3-ih/zoom/3'" ;;
    esac
    ffmpeg -nostdin -loglevel error -y -i "$tmp/scene/still$((k + 1)).png" \
      -vf "scale=1280:960,zoompan=$zoom:d=$frames:s=320x240:fps=25,fade=t=in:st=0:d=0.6,fade=t=out:st=$(awk -v f="$frames" 'BEGIN { printf "%.2f", f / 25 - 0.6 }'):d=0.6,format=yuv420p" \
      -frames:v "$frames" -c:v ffv1 "$tmp/vi001.clip$k.mkv" &
    pids+=($!)
    clips+=(-i "$tmp/vi001.clip$k.mkv")
    filters+="[$k:v]"
  done
  for ((k = 0; k < n; k++)); do
    wait "${pids[k]}" || die "ffmpeg failed on the VI001 clip of scene/still.pov view $((k + 1))"
  done
  local len
  len=$(awk -v t="$total" 'BEGIN { printf "%.2f", t + 1.5 }')
  bed chorale "$len" -14 vi001.bed
  sox "$tmp/vi001.wav" "$tmp/vi001.voice.wav" pad 0 1.5 || die "sox failed padding the VI001 narration"
  sox -m "$tmp/vi001.bed.wav" "$tmp/vi001.voice.wav" "$tmp/vi001.mix.wav" gain -n -1 \
    || die "sox failed mixing the VI001 sound"
  ffmpeg -nostdin -loglevel error -y "${clips[@]}" -i "$tmp/vi001.mix.wav" \
    -filter_complex "${filters}concat=n=$n:v=1:a=0[v]" -map "[v]" -map "$n:a" \
    -c:v mpeg1video -b:v 600k -maxrate 900k -bufsize 640k -g 15 -bf 2 \
    -c:a mp2 -ar 44100 -ac 2 -b:a 128k -shortest -f mpeg "$dest/19701.mpg" \
    || die "ffmpeg failed encoding the VI001 movie"
}

# The slide show's photographs: stills 1 to 4 made small and aged, sepia
# for the old ones, plain grey for the restoration of 1978.
age_photos() {
  local dest="$1" v look
  for v in 1 2 3 4; do
    if [ "$v" -eq 4 ]; then
      look=(-sigmoidal-contrast 4x50% -background '#181818' -vignette 0x50+4+4 -bordercolor '#f2f2ee')
    else
      look=(-sigmoidal-contrast 4x45% -sepia-tone 80% -background '#2a1c10' -vignette 0x50+4+4 -bordercolor '#efe6d2')
    fi
    "${im[@]}" "$tmp/scene/still$v.png" -resize 426x320\! -modulate 100,0 "${look[@]}" \
      -seed $((1652 + v)) -attenuate 0.45 +noise Gaussian -blur 0x0.45 -shave 6x6 -border 6x6 \
      -strip -interlace none -sampling-factor 2x2 -quality 86 "$dest/$((19604 + v)).jpg" \
      || die "ImageMagick failed ageing still $v of scene/still.pov"
  done
}

render() {
  local dest="$1"
  need povray povray
  render_scene
  encode_opening "$dest"
  encode_vi001 "$dest"
  age_photos "$dest"
}
