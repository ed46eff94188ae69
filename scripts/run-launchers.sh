#!/usr/bin/env bash
# Builds the launchers and starts Tesselby, the autorun menu, on the sample
# launcher disc (content/launchers/make-disc.sh). The first run offers the
# title's first installation: Pellam Setup and the installer stand-in
# "install" it into the disc's folder "installed"; the next run starts it.
# The registry of this sample is kept beside the disc (delete it to begin
# again). The installed title is ostrevan-haus on the title's sample disc
# (content/make-disc.sh), with the launcher disc as its CD-ROM. Arguments go
# to Tesselby (e.g. /force to see the menu although its check box is set).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build/release}
source scripts/ccache-env.sh
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target tesselby pellam-setup launcher-test-installer ostrevan-haus \
  ostrevan-tool

# The title's sample disc, installed by the chain as the real title (the
# launcher disc is its CD-ROM); without the disc's build script a stand-in
# that records its start is installed instead.
TITLE_DISC=()
if [ -f content/make-disc.sh ]; then
  bash content/make-disc.sh "$BUILD_DIR/content/title-disc"
  TITLE_DISC=("$BUILD_DIR/content/title-disc")
fi
DISC="$BUILD_DIR/content/launcher-disc"
bash content/launchers/make-disc.sh "$DISC" "$BUILD_DIR" "${TITLE_DISC[@]}"
export OSTREVAN_CD="$PWD/$DISC"
export OSTREVAN_REGISTRY_FILE=${OSTREVAN_REGISTRY_FILE:-$PWD/$BUILD_DIR/content/launcher-registry}
export OSTREVAN_WINDOWS_DIR=${OSTREVAN_WINDOWS_DIR:-$PWD/$BUILD_DIR/content/launcher-windows}
mkdir -p "$OSTREVAN_WINDOWS_DIR"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here (DISPLAY is not set): start $DISC/Tesselby.exe on a desktop."
  exit 0
fi
echo "Starting $DISC/Tesselby.exe (registry: $OSTREVAN_REGISTRY_FILE)"
exec "$DISC/Tesselby.exe" "$@"
