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
me=play.sh
# shellcheck source-path=SCRIPTDIR source=common.sh
source "$(dirname "$0")/common.sh"
start_title --play-demo "$tour"

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
