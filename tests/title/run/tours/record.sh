#!/bin/bash
# Records a demo tour of the title on the sample disc, for the runs that
# play the tours back (EveryScreenRunTest.cpp). The title runs under a
# virtual X server with --record-demo; the tour's steps (a file of the
# commands below, one a line, as bash reads them) drive it with xdotool as a
# person would, and the recording ends when the title ends.
#
#   tests/title/run/tours/record.sh STEPS OUT.mse [SHOTS-FOLDER]
#
# e.g. tests/title/run/tours/record.sh tests/title/run/tours/house.steps
# tests/title/run/tours/house.mse. Then run the tour's test: it fails on
# screens that changed and keeps their screenshots; look at them and make
# them the reviewed pictures (EveryScreenRunTest.cpp says how).
#
# STEPS commands (coordinates in the 640 x 480 window):
#   wait_log TEXT [COUNT [SECONDS]]   until the run log holds TEXT COUNT times
#                                     (the recording fails after SECONDS, 60)
#   seen TEXT [COUNT [SECONDS]]       the same, false instead of failing
#   pause SECONDS                     wait (the pause is recorded: playback
#                                     waits as long, so be generous)
#   move X Y / click X Y / rclick X Y the pointer, the left or right button
#   shot NAME                         a screenshot into SHOTS-FOLDER (for the
#                                     author only; nothing of it is recorded;
#                                     the run log is left there too)
#   row_pixels Y X0 X1                prints "X R G B" for the window's pixels
#                                     X0..X1-1 of row Y (to find a control
#                                     that moves, e.g. a card on a time band)
#   end_title                         Escape once the closing panel shows,
#                                     then wait for the program's end
# Keys are not recorded in a demo tour: a tour gets everywhere by mouse
# (the right button leaves the tour for the whole strip, the strip's end
# button leads to the closing panel). The arrow back into the tour stands
# left of the room's name, so it moves with the name's width (424 in the
# hall, 411 in the garden).
#
# Environment: OSTREVAN_BUILD (default build/test of this tree),
# OSTREVAN_DISC (default the build's content/disc). Needs Xvfb, xdotool and
# ImageMagick's import.
set -euo pipefail

if [ $# -lt 2 ]; then
  awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"
  exit 2
fi
steps=$(realpath "$1")
out=$(realpath -m "$2")
shots=$(realpath -m "${3:-$(dirname "$out")/shots}")
me=record.sh
# shellcheck source-path=SCRIPTDIR source=common.sh
source "$(dirname "$0")/common.sh"
rm -f "$out"
start_title --record-demo "$out"

count() { grep -o -F -- "$1" "$log" 2>/dev/null | wc -l; }
seen() {
  local text=$1 want=${2:-1} seconds=${3:-60} i
  for ((i = 0; i < seconds * 10; ++i)); do
    [ "$(count "$text")" -ge "$want" ] && return 0
    sleep 0.1
  done
  return 1
}
wait_log() {
  seen "$@" && return 0
  local text=$1 want=${2:-1} seconds=${3:-60}
  echo "record.sh: no \"$text\" (x$want) in the run log after ${seconds}s:" >&2
  cat "$log" >&2
  exit 1
}
pause() { sleep "$1"; }
window() { xdotool search --onlyvisible --name 'Das Ostrevan Haus' | tail -1; }
move() { xdotool mousemove --window "$(window)" "$1" "$2"; }
click() { move "$1" "$2"; sleep 0.3; xdotool click 1; }
rclick() { move "$1" "$2"; sleep 0.3; xdotool click 3; }
shot() { import -window "$(window)" "$shots/$1.png"; }
row_pixels() {
  import -window "$(window)" ppm:- | convert - -crop "$(($3 - $2))x1+$2+$1" +repage -depth 8 txt:- |
    sed -n 's/^\([0-9]*\),[0-9]*: *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3 \4/p' |
    awk -v x0="$2" '{ printf "%d %d %d %d\n", $1 + x0, $2, $3, $4 }'
}
end_title() {
  wait_log "panel 8193"
  xdotool key Escape
  wait "$title_pid" || true
  title_pid=
}

wait_log "demo-record " 1 60
xdotool search --sync --onlyvisible --name 'Das Ostrevan Haus' >/dev/null
# shellcheck source=/dev/null
source "$steps"
[ -z "$title_pid" ] || end_title
grep -q "demo-record-end " "$log" || { echo "record.sh: the recording did not end" >&2; cat "$log" >&2; exit 1; }
echo "recorded $(( ($(stat -c %s "$out") - 4) / 20 )) records into $out"
grep -o "screen-shown [0-9]*\|bubble-entered [A-Z0-9]*\|item-shown [A-Z0-9]*\|panel [0-9]*" "$log" | tr '\n' ' '
echo
