#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (warnings are errors) and the fuzz targets with
# clang's libFuzzer (scripts/fuzz-build.sh), and runs every test; then runs
# the tests that run threads under ThreadSanitizer (scripts/test-threads.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

BUILD_DIR=${BUILD_DIR:-build/test}
JOBS=${JOBS:-$(nproc)}

source scripts/ccache-env.sh

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTREVAN_SANITIZE=ON "${launcher[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"
# The fuzz targets as libFuzzer programs, built with clang (build only).
JOBS=$JOBS bash scripts/fuzz-build.sh

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The threading tests under ThreadSanitizer first, so that CTest's summary of
# all tests is the run's last word.
JOBS=$JOBS bash scripts/test-threads.sh
# Two more tests at once than processors: the runs of the whole title, in
# their lanes, spend most of their time waiting as a person would.
(cd "$BUILD_DIR" && ctest --output-on-failure -j "${CTEST_JOBS:-$((JOBS + 2))}" --timeout 300)
