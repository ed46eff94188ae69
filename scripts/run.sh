#!/usr/bin/env bash
# Installs what is missing, builds the optimised programs and runs what exists
# so far on the sample content. `run.sh launchers [ARGS]` starts Tesselby, the
# disc's autorun menu, on the sample launcher disc instead (ARGS go to it,
# e.g. /force).
set -euo pipefail
cd "$(dirname "$0")/.."
MODE=title
if [ "${1:-}" = launchers ]; then
  MODE=launchers
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
cmake --build "$BUILD_DIR" -j "$(nproc)" --target ostrevan-tool ostrevan-app-demo

echo
echo "Built into $BUILD_DIR."

# The sample archive: sources made from content/, built and listed.
SAMPLE_DIR="$BUILD_DIR/content/sample"
bash content/make-sample.sh "$SAMPLE_DIR"
"$BUILD_DIR/tools/ostrevan-tool" archive build "$SAMPLE_DIR/build.txt" "$BUILD_DIR/content/sample.msf"
echo "Sample archive $BUILD_DIR/content/sample.msf (log: $BUILD_DIR/content/sample.log):"
"$BUILD_DIR/tools/ostrevan-tool" archive list "$BUILD_DIR/content/sample.msf"

echo
echo "The title's own start-up does not exist yet (its shell and modules come"
echo "later); what runs is the engine's framework demo on the sample archive:"
DEMO=("$BUILD_DIR/tools/demo/ostrevan-app-demo" --archive "$BUILD_DIR/content/sample.msf"
      --media 200,201,202,203,210)
echo "  ${DEMO[*]}"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting it (Escape or Alt+F4 quits)."
  "${DEMO[@]}"
else
  echo "No display here (DISPLAY is not set): start the command above on a desktop."
fi
