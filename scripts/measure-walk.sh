#!/usr/bin/env bash
# Walks the optimised title through several screens under a virtual X server
# and prints its figures from the run log and /proc:
#   first-frame-ms MS       program start to the first frame on the screen
#   idle-cpu P% over S s    the share of one core its threads used while the
#                           tour stood still (pointer resting in the middle)
#   script-done N ms ... longest-gap-ms G late-ms L
#                           one line per hand-over (the scripted transitions
#                           between panels and screens): its frames, the
#                           longest time between two of them (long where the
#                           picture does not change) and the most a frame
#                           came after it was due
#   worst-gap-ms G          the longest of those gaps
#   worst-late-ms L         the latest of those frames (the budget: 50 ms)
# The walk: the opening movie skipped into the hall, a still spell, through
# the door into the staircase (a bubble change), the strip, a module screen
# and back to the tour, the room overlay and back, the closing panel.
#
#   scripts/measure-walk.sh [--idle SECONDS] [--keep DIR]
#
# BUILD_DIR (default build/release) selects the build; it and its sample disc
# are made first as scripts/run.sh makes them (set NO_BUILD=1 to skip that).
# --keep copies the run log and screenshots of each step into DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
IDLE=20
KEEP=""
INNER=0
while [ $# -gt 0 ]; do
  case "$1" in
    --idle) IDLE=$2; shift 2 ;;
    --keep) KEEP=$(realpath -m "$2"); shift 2 ;;
    --inner) INNER=1; shift ;;
    -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
    *) echo "measure-walk: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done
BUILD_DIR=$(realpath -m "${BUILD_DIR:-build/release}")
TITLE="$BUILD_DIR/title/main/ostrevan-haus"
DISC="$BUILD_DIR/content/disc"

if [ "$INNER" = 1 ]; then
  WORK=$(mktemp -d /tmp/ostrevan-walk-XXXXXX)
  LOG="$WORK/run.log"
  cd "$DISC"
  XDG_RUNTIME_DIR="$WORK" OSTREVAN_WINDOWED=1 OSTREVAN_CD="$DISC/CD" SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11 \
    "$TITLE" --log "$LOG" >"$WORK/output.txt" 2>&1 &
  PID=$!
  trap 'kill "$PID" 2>/dev/null || true; wait "$PID" 2>/dev/null || true; rm -rf "$WORK"' EXIT
  # Waits up to SECONDS for the COUNT-th line of the run log holding TEXT.
  wait_for() {
    local text=$1 count=$2 seconds=$3
    for _ in $(seq $((seconds * 10))); do
      c=$(grep -c -- "$text" "$LOG" 2>/dev/null || true); [ "${c:-0}" -ge "$count" ] && return 0
      kill -0 "$PID" 2>/dev/null || { echo "measure-walk: the title ended:" >&2; tail -5 "$WORK/output.txt" >&2; exit 1; }
      sleep 0.1
    done
    echo "measure-walk: no \"$text\" ($count) within $seconds s; the log:" >&2
    cat "$LOG" >&2
    exit 1
  }
  window() { xdotool search --onlyvisible --name 'Das Ostrevan Haus' | tail -1; }
  move() { xdotool mousemove --window "$(window)" "$1" "$2"; }
  click() { move "$1" "$2"; sleep 0.15; xdotool click 1; }
  shot() { [ -z "$KEEP" ] || import -window "$(window)" "$KEEP/$1.png" || true; }
  scripts() { grep -c "^script-done " "$LOG" || true; }
  ticks() { local s; s=$(cat "/proc/$1/stat") || return 1; s=${s##*) }; set -- $s; echo $(( ${12} + ${13} )); }

  [ -z "$KEEP" ] || mkdir -p "$KEEP"
  wait_for "first-frame-ms " 1 30
  xdotool search --sync --name 'Das Ostrevan Haus' >/dev/null
  sleep 1
  # Into the hall: a click ends the opening movie.
  click 60 60
  wait_for "script-done 1 " 1 30
  move 320 240
  sleep 4
  shot 01-hall
  HZ=$(getconf CLK_TCK)
  before=$(ticks "$PID"); start=$(date +%s.%N)
  sleep "$IDLE"
  after=$(ticks "$PID"); end=$(date +%s.%N)
  IDLE_LINE=$(awk -v t=$((after - before)) -v hz="$HZ" -v s="$start" -v e="$end" \
    'BEGIN { printf "idle-cpu %.2f%% over %.1f s", 100 * t / hz / (e - s), e - s }')
  # Through the door into the staircase, in the middle of the view that
  # rests with the pointer in the middle: clicked at once, before the view
  # turns after the pointer.
  click 255 300
  wait_for "bubble-entered " 2 30
  move 320 240
  sleep 4
  shot 02-staircase
  # The strip, a module screen, back to the tour.
  n=$(scripts); xdotool key space; sleep 3; shot 03-strip
  click 40 415; wait_for "^script-done " $((n + 1)) 30; sleep 2; shot 04-module
  n=$(scripts); click 424 452; wait_for "^script-done " $((n + 1)) 30; sleep 2; shot 05-tour
  # The room overlay and back.
  n=$(scripts); xdotool key space; sleep 3
  click 587 453; sleep 3; shot 06-rooms
  click 575 33; sleep 3; shot 07-closed
  # The closing panel, then the end.
  xdotool key alt+F4
  wait_for "panel 8193" 1 30
  sleep 3
  shot 08-closing
  xdotool key Escape
  for _ in $(seq 100); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
  [ -z "$KEEP" ] || cp "$LOG" "$KEEP/run.log"
  grep "^first-frame-ms " "$LOG"
  echo "$IDLE_LINE"
  grep -E "^(script|script-done|late-frame|bubble-entered|panel|screen-shown) " "$LOG"
  awk '/^script-done / { for (i = 1; i < NF; ++i) {
                             if ($i == "longest-gap-ms" && $(i + 1) > worst) worst = $(i + 1)
                             if ($i == "late-ms" && $(i + 1) > late) late = $(i + 1) } }
       END { print "worst-gap-ms " worst + 0; print "worst-late-ms " late + 0 }' "$LOG"
  exit 0
fi

for tool in xvfb-run Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "measure-walk: $tool not found: apt-get install xvfb xdotool" >&2; exit 1; }
done
if [ "${NO_BUILD:-0}" != 1 ]; then
  source scripts/ccache-env.sh
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
  cmake --build "$BUILD_DIR" -j "$(nproc)" --target ostrevan-tool ostrevan-haus >/dev/null
  bash content/make-disc.sh "$DISC" "$BUILD_DIR/tools/ostrevan-tool" >/dev/null
fi
[ -x "$TITLE" ] && [ -f "$DISC/Media/QV_GUI.msf" ] || { echo "measure-walk: no title or disc in $BUILD_DIR" >&2; exit 1; }
args=(--inner --idle "$IDLE")
[ -n "$KEEP" ] && args+=(--keep "$KEEP")
exec xvfb-run -a -s "-screen 0 800x600x24" bash "$0" "${args[@]}"
