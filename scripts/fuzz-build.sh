#!/usr/bin/env bash
# Builds every fuzz target as a libFuzzer program with clang, in its own
# folder (build only: the main build's tests replay each target's corpus).
# The libFuzzer build cannot break unseen so: scripts/test.sh calls this
# after the main build. Run a target with scripts/fuzz-run.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_BUILD_DIR=${FUZZ_BUILD_DIR:-build/fuzz}
JOBS=${JOBS:-$(nproc)}

source scripts/ccache-env.sh

cmake -S . -B "$FUZZ_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DOSTREVAN_LIBFUZZER=ON "${launcher[@]}" >/dev/null
cmake --build "$FUZZ_BUILD_DIR" -j "$JOBS" --target fuzz_targets
