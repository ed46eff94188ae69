#!/bin/bash
# The start that record.sh and play.sh share (sourced by them, not run): the
# title on the sample disc in a scratch folder, windowed under its own
# virtual X server, with its run log. The caller sets `me` (its name, for
# messages) and `shots` (a folder that gets the run log at the end, or
# empty) before it calls
#
#   start_title ARGUMENT...
#
# which checks the tools, the program and the disc, starts Xvfb and the
# title with --log and the arguments, and sets work (the scratch folder),
# log (the run log), title_pid and DISPLAY. When the calling script ends,
# the title and the server are ended and the scratch folder goes.
#
# Environment: OSTREVAN_BUILD (default build/test of this tree),
# OSTREVAN_DISC (default the build's content/disc).

me=${me:-tour}
shots=${shots:-}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../.." && pwd)
build=${OSTREVAN_BUILD:-$root/build/test}
disc=${OSTREVAN_DISC:-$build/content/disc}
program=$build/title/main/ostrevan-haus
work=
log=
xvfb_pid=
title_pid=

cleanup() {
  if [ -n "$shots" ] && [ -n "$log" ]; then cp "$log" "$shots/run.log" 2>/dev/null || true; fi
  if [ -n "$title_pid" ]; then kill "$title_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  [ -z "$work" ] || rm -rf "$work"
}

start_title() {
  local tool
  for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "$me: $tool is needed" >&2; exit 1; }
  done
  [ -x "$program" ] || { echo "$me: no title program at $program" >&2; exit 1; }
  [ -f "$disc/Media/QV_GUI.msf" ] || { echo "$me: no sample disc at $disc" >&2; exit 1; }

  work=$(mktemp -d "/tmp/${me%.sh}-tour.XXXXXX")
  trap cleanup EXIT
  mkdir -p "$work/runtime"
  [ -z "$shots" ] || mkdir -p "$shots"
  ln -s "$disc/Media" "$work/Media"
  ln -s "$disc/CD" "$work/CD"
  log=$work/run.log

  # The server picks a free display and writes its number to fd 3.
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  DISPLAY=:$(head -1 "$work/display")
  export DISPLAY

  (cd "$work" && exec env OSTREVAN_WINDOWED=1 OSTREVAN_CD=CD SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
    XDG_RUNTIME_DIR="$work/runtime" ASAN_OPTIONS=detect_leaks=0 \
    "$program" --log "$log" "$@" >"$work/output.txt" 2>&1) &
  title_pid=$!
}
