#!/usr/bin/env bash
# Installs what is missing, builds the optimised title, makes the sample disc
# (content/make-disc.sh) and starts the title, ostrevan-haus, on it.
# `run.sh launchers [ARGS]` starts Tesselby, the disc's autorun menu, on the
# sample launcher disc instead (ARGS go to it, e.g. /force); `run.sh demo`
# starts the engine's framework demo on the small sample archive.
set -euo pipefail
cd "$(dirname "$0")/.."
MODE=title
if [ "${1:-}" = launchers ] || [ "${1:-}" = demo ]; then
  MODE=$1
  shift
fi

bash scripts/setup.sh

if [ "$MODE" = launchers ]; then
  # Builds just the launchers and their installer stand-in.
  exec bash scripts/run-launchers.sh "$@"
fi

# Only the programs this script runs are built (tests, fuzz replays and
# benchmarks are scripts/test.sh's), so the first window comes quickly.
BUILD_DIR=${BUILD_DIR:-build/release}
source scripts/ccache-env.sh
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null

if [ "$MODE" = demo ]; then
  cmake --build "$BUILD_DIR" -j "$(nproc)" --target ostrevan-tool ostrevan-app-demo
  # The small sample archive: sources made from content/, built and listed.
  SAMPLE_DIR="$BUILD_DIR/content/sample"
  bash content/make-sample.sh "$SAMPLE_DIR"
  "$BUILD_DIR/tools/ostrevan-tool" archive build "$SAMPLE_DIR/build.txt" "$BUILD_DIR/content/sample.msf"
  "$BUILD_DIR/tools/ostrevan-tool" archive list "$BUILD_DIR/content/sample.msf"
  DEMO=("$BUILD_DIR/tools/demo/ostrevan-app-demo" --archive "$BUILD_DIR/content/sample.msf"
        --media 200,201,202,203,210)
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display here (DISPLAY is not set): start ${DEMO[*]} on a desktop."
    exit 0
  fi
  exec "${DEMO[@]}"
fi

cmake --build "$BUILD_DIR" -j "$(nproc)" --target ostrevan-tool ostrevan-haus
echo "Built into $BUILD_DIR."

# The sample disc: QV_GUI.msf beside the program's current folder, the other
# three archives on the CD-ROM stand-in (the folder OSTREVAN_CD names).
DISC="$BUILD_DIR/content/disc"
bash content/make-disc.sh "$DISC" "$BUILD_DIR/tools/ostrevan-tool"
TITLE="$PWD/$BUILD_DIR/title/main/ostrevan-haus"
cd "$DISC"
export OSTREVAN_CD="$PWD/CD"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here (DISPLAY is not set): on a desktop, start"
  echo "  cd $PWD && OSTREVAN_CD=$OSTREVAN_CD $TITLE"
  exit 0
fi
echo "Starting the title (OSTREVAN_WINDOWED=1 keeps it in a window; see --help)."
exec "$TITLE" "$@"
