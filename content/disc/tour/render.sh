#!/usr/bin/env bash
# Renders again every panorama and frame of the tour whose scene changed and
# keeps the JPEGs in content/disc/tour/renders/ with the hash of their scene
# text (renders/hashes.txt), so that building the disc takes them from there.
# Needs POV-Ray (apt-get install povray). Usage: render.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
TOUR_KEEP_RENDERS=1 bash "$here/make.sh" "$tmp/tour"
