#!/usr/bin/env bash
# Renders again every photograph and region picture of the photos stage whose
# scene changed and keeps them in content/disc/photos/renders/ with the hash
# of their scene text (renders/hashes.txt), so that building the disc takes
# them from there. Needs POV-Ray (apt-get install povray). Usage: render.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$here/renders"
PHOTOS_KEEP_RENDERS=1 bash "$here/make.sh" "$tmp/photos"
