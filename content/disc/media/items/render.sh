# The items SH002, SH003 (slide shows) and VI002, VI003 (films) of the media
# stage (sourced by make.sh after sound.sh). Their pictures are POV-Ray renders
# of the tour's house (content/disc/tour: the plan in house.py, the furniture
# in scenes/) and of the market street (../scene/house.inc); the films are
# walks through the tour's rooms along the tour's door paths (walk.py).
#
#   items_scenes DIR     writes every scene into DIR/walk (the tour's house)
#                        and DIR/street (the market); cheap, no renderer
#   items_hash           the hash of everything the renders are made of: the
#                        written scenes, the narration, the music, the scripts
#   items_render DEST    renders and writes into DEST:
#     19624.wav, 19644.wav       the slide shows' sound (narration over music),
#                                22050 Hz mono MS-ADPCM
#     19625-19632.jpg            SH002's pictures, 426 x 320
#     19645-19653.jpg            SH003's pictures, 426 x 320
#     19721.mpg, 19741.mpg       the films, 320 x 240, 25 fps
#     sh002.starts, sh003.starts the start (ms) of each narration part
items_fps=12.5  # frames rendered a second; ffmpeg interpolates them to 25

# The pictures of each slide show, one a narration part: the render and the
# look it is aged with (print: an old print, fire: the same hand-coloured
# by the fire, photo70: a faded colour photograph of the 1970s, photo85: a
# fresher one, today: a photograph of today).
items_sh002=(street-1:fire street-2:print walk/room-garden-well:print street-3:print
             walk/room-garden-house:print walk/room-kitchen:print walk/room-attic-truss:print
             walk/room-kitchen-hearth:today)
items_sh003=(street-6:photo70 street-4:photo70 street-3:photo70 walk/room-attic-truss:photo70
             walk/room-hall-beams:photo70 walk/room-hall-floor:photo70 walk/room-salon-ships:photo70
             walk/room-staircase:photo70 street-5:photo85)

items_scenes() {
  local dir="$1"
  mkdir -p "$dir/walk" "$dir/street"
  python3 -B "$here/items/walk.py" "$dir/walk" "$items_fps" \
    || die "items/walk.py could not write the scenes of SH002, SH003, VI002, VI003"
  cp "$here/../tour/scenes/"*.inc "$dir/walk/" || die "the tour's scenes (content/disc/tour/scenes) are missing"
  cp "$here/scene/house.inc" "$here/items/exterior.pov" "$dir/street/"
}

items_hash() {
  local dir
  dir="$(mktemp -d)"
  items_scenes "$dir" >/dev/null
  {
    (cd "$dir" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)
    (cd "$here" && find items/voice items/render.sh music sound.sh -type f -print0 | LC_ALL=C sort -z \
      | xargs -0 sha256sum)
  } | sha256sum | cut -d' ' -f1
  rm -rf "$dir"
}

items_pov_job() {  # items_pov_job DIR ARGS...: one POV-Ray run in DIR, quiet
  local dir="$1"
  shift
  (cd "$dir" && povray -D -V -GA +WT1 "$@" >/dev/null 2>"$dir/povray.$$.$RANDOM.log") \
    || { echo "povray failed in $dir: povray $*" >&2; return 1; }
}
export -f items_pov_job

items_render_scenes() {
  local dir="$tmp/items" jobs name frames n chunk
  items_scenes "$dir"
  cp "$lettering_font" "$dir/street/" || die "font $lettering_font not found: apt-get install fonts-liberation"
  jobs=$(nproc 2>/dev/null || echo 2)
  {
    # the films' frames first (the most work), in chunks
    while read -r name frames _; do
      chunk=$(( (frames + jobs - 1) / jobs ))
      for ((n = 1; n <= frames; n += chunk)); do
        echo "$dir/walk +Iwalk-$name.pov +Owalk-$name-.png +W320 +H240 +A0.3 +AM2 +R2 +KFI1 +KFF$frames +SF$n +EF$((n + chunk - 1 > frames ? frames : n + chunk - 1))"
      done
    done <"$dir/walk/frames.txt"
    while read -r name width height; do
      echo "$dir/walk +I$name.pov +O$name.png +W$width +H$height +A0.3 +AM2 +R2"
    done <"$dir/walk/stills.txt"
    for v in 1 2 3 4 5 6; do
      echo "$dir/street +Iexterior.pov +Ostreet-$v.png +W640 +H480 +A0.3 +R2 Declare=View=$v"
    done
  } | xargs -P "$jobs" -L 1 bash -c 'items_pov_job "$@"' _ \
    || die "POV-Ray failed rendering the scenes of items/walk.py or items/exterior.pov (logs in $dir)"
  while read -r name frames _; do
    n=$(ls "$dir/walk/walk-$name-"*.png | wc -l)
    [ "$n" -eq "$frames" ] || die "POV-Ray made $n of $frames frames of the film $name (items/walk.py)"
  done <"$dir/walk/frames.txt"
}

# items_look LOOK SEED: the ImageMagick arguments that age a picture.
items_look() {
  local grain=(-seed "$2" -attenuate 0.35 +noise Gaussian)
  case "$1" in
    print|fire)
      look=(-colorspace Gray \( +clone -edge 1 -negate \) -compose multiply -composite -compose over -posterize 6
            -colorspace sRGB +level-colors '#2a1a0e','#efe2c4')
      # the fire: the sky dark with smoke, the street lit orange from below
      [ "$1" = fire ] && look+=(\( -size 426x320 -seed "$2" plasma:grey60-grey20 -blur 0x8 -colorspace Gray
                                   \( -size 426x320 gradient:black-white \) -compose screen -composite \)
                                -compose multiply -composite
                                \( -size 426x320 gradient:black-'#ff5a10' \) -compose screen -composite -compose over)
      look+=("${grain[@]}" -background '#2a1c10' -vignette 0x60+6+6 -shave 6x6 -bordercolor '#efe6d2' -border 6x6) ;;
    photo70|photo85)
      if [ "$1" = photo70 ]; then
        look=(-modulate 100,62 -fill '#d8b078' -colorize 16% -sigmoidal-contrast 3x45% -level 4%,97%)
      else
        look=(-modulate 106,85 -fill '#e0c090' -colorize 7% -sigmoidal-contrast 3x50%)
      fi
      look+=("${grain[@]}" -background '#20180f' -vignette 0x80+10+10 -shave 8x8 -bordercolor '#f4f1ea' -border 8x8) ;;
    today)
      look=(-modulate 100,92 -seed "$2" -attenuate 0.12 +noise Gaussian) ;;
    *) die "unknown look $1 in items/render.sh" ;;
  esac
}

items_pictures() {  # items_pictures DEST FIRST_ID PICTURE:LOOK...
  local dest="$1" id="$2" entry src look=()
  shift 2
  for entry in "$@"; do
    src="$tmp/items/${entry%%:*}.png"
    case "${entry%%:*}" in street-*) src="$tmp/items/street/${entry%%:*}.png" ;; esac
    items_look "${entry##*:}" "$id"
    "${im[@]}" "$src" -resize 426x320\! "${look[@]}" -blur 0x0.4 -type TrueColor \
      -strip -interlace none -sampling-factor 2x2 -quality 86 "$dest/$id.jpg" \
      || die "ImageMagick failed ageing ${entry%%:*} into picture $id"
    id=$((id + 1))
  done
}

# items_slide_sound NAME MUSIC ID DEST: the narration over the music, ADPCM.
items_slide_sound() {
  local len
  len=$(awk -v t="$(soxi -D "$tmp/$1.wav")" 'BEGIN { printf "%.2f", t + 1.0 }')
  bed "$2" "$len" -15 "$1.bed"
  sox "$tmp/$1.wav" "$tmp/$1.voice.wav" pad 0 1.0 || die "sox failed padding the narration $1"
  sox -m "$tmp/$1.bed.wav" "$tmp/$1.voice.wav" -r 22050 -c 1 -e ms-adpcm "$4/$3.wav" gain -n -1 \
    || die "sox failed mixing the sound of $1 (items/voice/$1-*.txt)"
}

# items_film NAME MUSIC ID DEST: the walk's frames, interpolated to 25 fps,
# with the narration over the music.
items_film() {
  local name="$1" seconds frames
  read -r _ frames seconds < <(grep "^$name " "$tmp/items/walk/frames.txt")
  awk -v v="$(soxi -D "$tmp/$name.wav")" -v s="$seconds" 'BEGIN { exit !(v + 0.5 <= s) }' \
    || die "the narration items/voice/$name-*.txt ($(soxi -D "$tmp/$name.wav") s) does not fit the film's $seconds s (items/walk.py)"
  bed "$2" "$seconds" -14 "$name.bed"
  sox "$tmp/$name.wav" "$tmp/$name.voice.wav" pad 0.3 "$seconds" trim 0 "$seconds" \
    || die "sox failed placing the narration of $name"
  sox -m "$tmp/$name.bed.wav" "$tmp/$name.voice.wav" "$tmp/$name.mix.wav" gain -n -1 \
    || die "sox failed mixing the sound of $name"
  ffmpeg -nostdin -loglevel error -y -framerate "$items_fps" -i "$tmp/items/walk/walk-$name-%03d.png" -i "$tmp/$name.mix.wav" \
    -vf "minterpolate=fps=25:mi_mode=mci:mc_mode=aobmc:me_mode=bidir:vsbmc=1,fade=t=in:st=0:d=0.6,fade=t=out:st=$(awk -v s="$seconds" 'BEGIN { printf "%.2f", s - 0.8 }'):d=0.8,format=yuv420p" \
    -c:v mpeg1video -b:v 420k -maxrate 700k -bufsize 640k -g 15 -bf 2 \
    -c:a mp2 -ar 44100 -ac 2 -b:a 128k -t "$seconds" -f mpeg "$4/$3.mpg" \
    || die "ffmpeg failed encoding the film $name (items/walk.py)"
}

items_render() {
  local dest="$1"
  mkdir -p "$dest"
  # sound.sh's voices read $here/voice/NAME.txt: for these narrations $here
  # is the items' folder, whose voice/ holds their texts.
  here="$here/items" narration sh002 sh002-1 sh002-2 sh002-3 sh002-4 sh002-5 sh002-6 sh002-7 sh002-8
  here="$here/items" narration sh003 sh003-1 sh003-2 sh003-3 sh003-4 sh003-5 sh003-6 sh003-7 sh003-8 sh003-9
  here="$here/items" narration vi002 vi002-1 vi002-2 vi002-3 vi002-4
  here="$here/items" narration vi003 vi003-1 vi003-2 vi003-3 vi003-4
  items_render_scenes
  items_slide_sound sh002 chorale 19624 "$dest"
  items_slide_sound sh003 minuet 19644 "$dest"
  cp "$tmp/sh002.starts" "$tmp/sh003.starts" "$dest/"
  items_pictures "$dest" 19625 "${items_sh002[@]}"
  items_pictures "$dest" 19645 "${items_sh003[@]}"
  items_film vi002 minuet 19721 "$dest"
  items_film vi003 chorale 19741 "$dest"
}
