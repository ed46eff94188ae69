#!/usr/bin/env bash
# Installs what the benchmarks need beyond scripts/setup.sh: photographs that
# Debian ships, which bench_JpegBench scales and compresses at start.
# Idempotent: nothing is installed when the packages are present.
set -euo pipefail

"$(dirname "$0")/setup.sh"

PACKAGES=(lomiri-wallpapers-16.04)
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
echo "setup-bench: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
