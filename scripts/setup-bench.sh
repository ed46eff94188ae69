#!/usr/bin/env bash
# Installs what the benchmarks need beyond the build and the tests:
# photographs that Debian ships, which bench_JpegBench scales and compresses
# at start. Idempotent: nothing is installed when the packages are present.
set -euo pipefail
exec bash "$(dirname "$0")/setup.sh" lomiri-wallpapers-16.04
