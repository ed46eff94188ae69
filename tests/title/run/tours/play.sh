#!/bin/bash
# Plays a recorded demo tour into a fresh title on the sample disc under a
# virtual X server, as the runs of EveryScreenRunTest.cpp do, and prints the
# title's resident memory (VmRSS) once the tour has ended on the closing
# panel and its peak (VmHWM) over the run; then ends the title with Escape.
#
#   tests/title/run/tours/play.sh TOUR.mse [SHOTS-FOLDER [SECONDS]]
#
# With SHOTS-FOLDER a screenshot is taken every SECONDS (default 2) while the
# tour plays, with the run log beside them. Environment: OSTREVAN_BUILD
# (default build/test of this tree; build/release for the figure of an
# optimised build), OSTREVAN_DISC (default the build's content/disc).
set -euo pipefail

if [ $# -lt 1 ]; then
  awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"
  exit 2
fi
tour=$(realpath "$1")
shots=${2:+$(realpath -m "$2")}
every=${3:-2}
root=$(cd "$(dirname "$0")/../../../.." && pwd)
build=${OSTREVAN_BUILD:-$root/build/test}
disc=${OSTREVAN_DISC:-$build/content/disc}
program=$build/title/main/ostrevan-haus
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "play.sh: $tool is needed" >&2; exit 1; }
done
[ -x "$program" ] || { echo "play.sh: no title program at $program" >&2; exit 1; }
[ -f "$disc/Media/QV_GUI.msf" ] || { echo "play.sh: no sample disc at $disc" >&2; exit 1; }

work=$(mktemp -d /tmp/play-tour.XXXXXX)
mkdir -p "$work/runtime"
[ -z "$shots" ] || mkdir -p "$shots"
ln -s "$disc/Media" "$work/Media"
ln -s "$disc/CD" "$work/CD"
log=$work/run.log
xvfb_pid=
title_pid=
cleanup() {
  [ -z "$shots" ] || cp "$log" "$shots/run.log" 2>/dev/null || true
  [ -n "$title_pid" ] && kill "$title_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")

(cd "$work" && exec env OSTREVAN_WINDOWED=1 OSTREVAN_CD=CD SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
  XDG_RUNTIME_DIR="$work/runtime" ASAN_OPTIONS=detect_leaks=0 \
  "$program" --log "$log" --play-demo "$tour" >"$work/output.txt" 2>&1) &
title_pid=$!

started=$(date +%s)
n=0
until grep -q "demo-play-end " "$log" 2>/dev/null && grep -q "panel 8193" "$log"; do
  if ! kill -0 "$title_pid" 2>/dev/null; then
    echo "play.sh: the title ended before the tour:" >&2
    cat "$log" "$work/output.txt" >&2
    exit 1
  fi
  if [ $(($(date +%s) - started)) -gt 600 ]; then
    echo "play.sh: the tour did not end within 10 minutes" >&2
    exit 1
  fi
  if [ -n "$shots" ]; then
    n=$((n + 1))
    wid=$(xdotool search --onlyvisible --name 'Das Ostrevan Haus' 2>/dev/null | tail -1) || true
    [ -z "$wid" ] || import -window "$wid" "$shots/$(printf %03d "$n")-$(($(date +%s) - started))s.png" || true
    sleep "$every"
  else
    sleep 0.5
  fi
done
sleep 2
# At the end the closing panel has replaced the main panel and its screens:
# the peak (VmHWM) is the memory with every screen visited.
awk '/^VmRSS:/ { rss = $2 } /^VmHWM:/ { peak = $2 }
  END { printf "resident memory at the tour'"'"'s end: %d kB, its peak: %d kB\n", rss, peak }' "/proc/$title_pid/status"
xdotool search --onlyvisible --name 'Das Ostrevan Haus' >/dev/null && xdotool key Escape
wait "$title_pid" || true
title_pid=
grep -o "screen-shown [0-9-]*\|bubble-entered [A-Z0-9]*\|item-shown [A-Z0-9]*\|panel [0-9]*" "$log" | tr '\n' ' '
echo
