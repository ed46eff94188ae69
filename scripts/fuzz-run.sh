#!/usr/bin/env bash
# Runs one libFuzzer target of scripts/fuzz-build.sh for a while:
#   scripts/fuzz-run.sh NAME [SECONDS] [more libFuzzer options]
# NAME is the target's source name (fuzz/NAME.cpp). The run starts from a
# copy of fuzz/corpus/NAME in build/fuzz-runs/NAME (so the checked-in corpus
# stays as it is) with the options of fuzz/NAME.options, whose
# "option = value" lines under "[libfuzzer]" become -option=value (max_len
# there keeps one large seed from making every input that large). Findings
# go to build/fuzz-runs/NAME/; the last lines of the run name them.
set -euo pipefail
cd "$(dirname "$0")/.."

name=${1:?usage: scripts/fuzz-run.sh NAME [SECONDS] [libFuzzer options]}
seconds=${2:-600}
shift $(( $# >= 2 ? 2 : 1 ))

FUZZ_BUILD_DIR=${FUZZ_BUILD_DIR:-build/fuzz}
program="$FUZZ_BUILD_DIR/fuzz/fuzz_$name"
[ -x "$program" ] || { echo "no $program: run scripts/fuzz-build.sh first" >&2; exit 2; }

work="build/fuzz-runs/$name"
mkdir -p "$work/corpus"
cp -n fuzz/corpus/"$name"/* "$work/corpus/" 2>/dev/null || true

options=()
if [ -f "fuzz/$name.options" ]; then
  in_section=0
  while IFS= read -r line; do
    line=${line%%#*}
    case "$line" in
      "[libfuzzer]"*) in_section=1 ;;
      "["*) in_section=0 ;;
      *=*)
        if [ "$in_section" = 1 ]; then
          key=$(echo "${line%%=*}" | tr -d '[:space:]')
          value=$(echo "${line#*=}" | tr -d '[:space:]')
          options+=("-$key=$value")
        fi ;;
    esac
  done < "fuzz/$name.options"
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export OSTREVAN_STRICT_SERVICES=1
exec "$program" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/" "$@" "$work/corpus"
