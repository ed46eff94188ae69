#!/usr/bin/env bash
# Installs what building, running and testing need on Debian, and any further
# packages named as arguments. Idempotent: packages already present are not
# touched and apt is not called at all then.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  clang
  # graphics, text, window and sound
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  libcairo2-dev libjpeg62-turbo-dev libx11-dev
  # reference decoders of the video and audio benchmarks (and the video's conversion to 16 bits),
  # the projection filter of the panorama benchmark
  libavcodec-dev libswscale-dev libmpeg2-4-dev libmpg123-dev libavfilter-dev
  # test oracles and display for window tests
  imagemagick netpbm libjpeg-turbo-progs poppler-utils xvfb xdotool xauth ffmpeg unar
  # FreeType metrics seen from Python (font tests)
  python3-pil
  # the bitmap faces of the classic dialog fonts ("MS Sans Serif", "Small Fonts")
  fonts-wine
  libpixman-1-0
  # sound oracles (twolame: Layer II joint stereo, dual channel and CRC streams)
  sox ffmpeg twolame
  # GNU time: the peak memory of a tool's run (tools' memory test)
  time
  # locale sources for the tests that read and write numbers under a German locale
  locales
)
# What the sample disc's stages need to build it from their sources and
# committed renders (content/disc/*/packages.txt).
root="$(cd "$(dirname "$0")/.." && pwd)"
for list in "$root"/content/disc/*/packages.txt; do
  [ -f "$list" ] || continue
  while read -r p; do
    [ -n "$p" ] && PACKAGES+=("$p")
  done < <(grep -v '^[[:space:]]*#' "$list")
done
PACKAGES+=("$@")

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
