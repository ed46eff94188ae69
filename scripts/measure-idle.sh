#!/usr/bin/env bash
# Measures the title's processor use while it sits still: builds the
# optimised title and the sample disc as scripts/run.sh does, starts the title
# in a window under a virtual X server (xvfb-run) with SDL's dummy sound,
# waits for its first frame, ends the opening movie with a click, waits for
# the tour and then SETTLE seconds with the pointer resting in the middle of
# the window (the view still), and prints the share of one core its
# threads used over the next SECONDS seconds (user and system time from
# /proc/PID/stat), e.g. "idle cpu: 0.40% of a core over 10 s".
#
#   scripts/measure-idle.sh [--seconds N] [--settle N] [--then 'COMMAND'] [--shot FILE.png] [--threads]
#                           [--no-build]
#
# --then runs COMMAND (with DISPLAY set to the virtual server, e.g. xdotool
# key presses that open another screen) after the settling time, then waits
# SETTLE seconds again before measuring. --shot saves the screen as it was
# measured (ImageMagick's import); --threads adds a line per thread (its
# id, name and share), to see which one wakes up. BUILD_DIR (default
# build/release) selects the build.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_MEASURED=10
SETTLE=3
THEN=""
BUILD=1
INNER=0
SHOT=""
THREADS=0
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) SECONDS_MEASURED=$2; shift 2 ;;
    --settle) SETTLE=$2; shift 2 ;;
    --then) THEN=$2; shift 2 ;;
    --shot) SHOT=$(realpath -m "$2"); shift 2 ;;
    --threads) THREADS=1; shift ;;
    --no-build) BUILD=0; shift ;;
    --inner) INNER=1; shift ;;
    -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"; exit 0 ;;
    *) echo "measure-idle: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done
BUILD_DIR=$(realpath -m "${BUILD_DIR:-build/release}")
TITLE="$BUILD_DIR/title/main/ostrevan-haus"
DISC="$BUILD_DIR/content/disc"

# The user and system time of a process in clock ticks; the name field may
# hold spaces, so the fields are counted after its closing parenthesis.
ticks() {
  local stat
  stat=$(cat "/proc/$1/stat") || return 1
  stat=${stat##*) }
  # shellcheck disable=SC2086
  set -- $stat
  echo $(( ${12} + ${13} ))
}

if [ "$INNER" = 1 ]; then
  # Runs inside xvfb-run: DISPLAY is the virtual server.
  WORK=$(mktemp -d /tmp/ostrevan-idle-XXXXXX)
  LOG="$WORK/run.log"
  cd "$DISC"
  # A runtime folder of its own: a title running elsewhere (its one-instance
  # lock lives there) does not stop this one.
  XDG_RUNTIME_DIR="$WORK" OSTREVAN_WINDOWED=1 OSTREVAN_CD="$DISC/CD" SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11 \
    "$TITLE" --log "$LOG" >"$WORK/output.txt" 2>&1 &
  PID=$!
  trap 'kill "$PID" 2>/dev/null || true; wait "$PID" 2>/dev/null || true; rm -rf "$WORK"' EXIT
  for _ in $(seq 300); do
    grep -q "first-frame-ms " "$LOG" 2>/dev/null && break
    if ! kill -0 "$PID" 2>/dev/null; then
      echo "measure-idle: the title ended before its first frame:" >&2
      tail -5 "$WORK/output.txt" >&2
      exit 1
    fi
    sleep 0.1
  done
  grep -q "first-frame-ms " "$LOG" || { echo "measure-idle: no first frame within 30 s" >&2; exit 1; }
  # The title opens with its movie: a click ends it and the tour comes (its
  # first hand-over script); the pointer then rests in the window's middle,
  # where the view does not turn after it.
  xdotool search --sync --name 'Das Ostrevan Haus' >/dev/null
  sleep 1
  WINDOW=$(xdotool search --onlyvisible --name 'Das Ostrevan Haus' | tail -1)
  xdotool mousemove --window "$WINDOW" 60 60 click 1
  for _ in $(seq 300); do
    grep -q "^script-done 1 " "$LOG" 2>/dev/null && break
    sleep 0.1
  done
  grep -q "^script-done 1 " "$LOG" || { echo "measure-idle: the tour did not come within 30 s" >&2; exit 1; }
  xdotool mousemove --window "$WINDOW" 320 240
  sleep "$SETTLE"
  if [ -n "$THEN" ]; then
    bash -c "$THEN"
    sleep "$SETTLE"
  fi
  HZ=$(getconf CLK_TCK)
  declare -A THREAD_BEFORE=()
  for task in /proc/"$PID"/task/*; do
    THREAD_BEFORE[${task##*/}]=$(ticks "$PID/task/${task##*/}" || echo 0)
  done
  BEFORE=$(ticks "$PID")
  START=$(date +%s.%N)
  sleep "$SECONDS_MEASURED"
  AFTER=$(ticks "$PID") || { echo "measure-idle: the title ended while measured" >&2; exit 1; }
  END=$(date +%s.%N)
  THREAD_LINES=()
  for task in /proc/"$PID"/task/*; do
    tid=${task##*/}
    now=$(ticks "$PID/task/$tid") || continue
    THREAD_LINES+=("$tid $(cat "$task/comm" 2>/dev/null || echo '?') $((now - ${THREAD_BEFORE[$tid]:-0}))")
  done
  if [ -n "$SHOT" ]; then import -window root "$SHOT" || echo "measure-idle: no shot (ImageMagick's import)" >&2; fi
  awk -v t=$((AFTER - BEFORE)) -v hz="$HZ" -v s="$START" -v e="$END" \
    'BEGIN { printf "idle cpu: %.2f%% of a core over %.1f s\n", 100 * t / hz / (e - s), e - s }'
  if [ "$THREADS" = 1 ]; then
    for line in "${THREAD_LINES[@]}"; do
      set -- $line
      awk -v id="$1" -v name="$2" -v t="$3" -v hz="$HZ" -v s="$START" -v e="$END" \
        'BEGIN { printf "  thread %s %-16s %.2f%%\n", id, name, 100 * t / hz / (e - s) }'
    done
  fi
  exit 0
fi

for tool in xvfb-run Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "measure-idle: $tool not found: apt-get install xvfb xdotool" >&2; exit 1; }
done
if [ "$BUILD" = 1 ]; then
  source scripts/ccache-env.sh
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
  cmake --build "$BUILD_DIR" -j "$(nproc)" --target ostrevan-tool ostrevan-haus >/dev/null
  bash content/make-disc.sh "$DISC" "$BUILD_DIR/tools/ostrevan-tool" >/dev/null
fi
[ -x "$TITLE" ] && [ -f "$DISC/Media/QV_GUI.msf" ] || {
  echo "measure-idle: no title or disc in $BUILD_DIR (run without --no-build)" >&2
  exit 1
}
args=(--inner --seconds "$SECONDS_MEASURED" --settle "$SETTLE" --no-build)
[ "$THREADS" = 1 ] && args+=(--threads)
[ -n "$THEN" ] && args+=(--then "$THEN")
[ -n "$SHOT" ] && args+=(--shot "$SHOT")
exec xvfb-run -a -s "-screen 0 800x600x24" bash "$0" "${args[@]}"
