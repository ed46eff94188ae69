#!/usr/bin/env bash
# Installs what is missing, builds the optimised programs and runs what exists
# so far on the sample content.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

BUILD_DIR=${BUILD_DIR:-build/release}
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"

echo
echo "Built into $BUILD_DIR."

# The sample archive: sources made from content/, built and listed.
SAMPLE_DIR="$BUILD_DIR/content/sample"
bash content/make-sample.sh "$SAMPLE_DIR"
"$BUILD_DIR/tools/ostrevan-tool" archive build "$SAMPLE_DIR/build.txt" "$BUILD_DIR/content/sample.msf"
echo "Sample archive $BUILD_DIR/content/sample.msf (log: $BUILD_DIR/content/sample.log):"
"$BUILD_DIR/tools/ostrevan-tool" archive list "$BUILD_DIR/content/sample.msf"

echo
echo "The title itself cannot start yet: only the engine's foundation libraries"
echo "exist so far. Their tests run with: bash scripts/test.sh"
