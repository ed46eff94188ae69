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
echo "The title itself cannot start yet: only the engine's foundation libraries"
echo "exist so far. Their tests run with: bash scripts/test.sh"
