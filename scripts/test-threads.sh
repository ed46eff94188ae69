#!/usr/bin/env bash
# The tests that run threads (the sound mixer with its devices and streams, a
# movie with sound) under ThreadSanitizer: a second, small build of just
# their test programs, in its own folder. Any report fails the run.
# scripts/test.sh calls this after the main build's tests.
set -euo pipefail
cd "$(dirname "$0")/.."

TSAN_BUILD_DIR=${TSAN_BUILD_DIR:-build/tsan}
JOBS=${JOBS:-$(nproc)}

source scripts/ccache-env.sh

# Test program and the gtest filter of its tests that run threads.
programs=(
  "test_engine_sound:Mixer*.*:Mixing.*:SlowStream.*:Devices.*"
  "test_engine_mpeg:AudioVideoSyncTest.*:LayerIIThreading.*"
)

targets=()
for entry in "${programs[@]}"; do targets+=("${entry%%:*}"); done

cmake -S . -B "$TSAN_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTREVAN_TSAN=ON "${launcher[@]}" >/dev/null
cmake --build "$TSAN_BUILD_DIR" -j "$JOBS" --target "${targets[@]}"

# halt_on_error: the first report ends the program with a failure, whatever
# the test itself found.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
cd "$TSAN_BUILD_DIR/tests"
for entry in "${programs[@]}"; do
  program=${entry%%:*}
  filter=${entry#*:}
  echo "ThreadSanitizer: $program --gtest_filter=$filter"
  "./$program" --gtest_filter="$filter" --gtest_brief=1
done
