#!/usr/bin/env bash
# Builds the sample disc of "das Ostrevan Haus" from the sources in content/disc.
#
# Usage: content/make-disc.sh OUTDIR [TOOL]
#   TOOL is the built ostrevan-tool (default: $OSTREVAN_TOOL, else the first of
#   build/release/tools/ostrevan-tool and build/test/tools/ostrevan-tool).
#
# Every folder content/disc/<stage>/ with a make.sh is a stage. A stage runs as
#   bash content/disc/<stage>/make.sh WORK/<stage> TOOL
# in an empty folder and leaves there its media and one builder-script fragment
# per archive it adds to (QV_GUI.build, QV_extra.build, QV_DE.build,
# QV_DE_VI.build), whose paths start with the stage's folder name. The stages
# run side by side; a stage whose sources (its folder, content/disc/lib and
# what its depends.txt names) did not change since its last run is not run
# again. The fragments are joined into
# one build script per archive and the archives are built with
# `ostrevan-tool archive build`, again only when something in them changed.
#
# Disc layout:
#   OUTDIR/Media/QV_GUI.msf          beside the program
#   OUTDIR/CD/Media/QV_extra.msf     the CD-ROM stand-in
#   OUTDIR/CD/Media/QV_DE.msf
#   OUTDIR/CD/Media/QV_DE_VI.msf
#   OUTDIR/work/                     stage outputs, build scripts and logs
#
# Environment: OSTREVAN_DISC_SETUP=0 skips installing the stages' packages
# (content/disc/*/packages.txt through scripts/setup.sh); OSTREVAN_DISC_STAGES
# names the stages to use (blank-separated; default all).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
start_time=$(date +%s)

die() {
  echo "make-disc.sh: $*" >&2
  exit 1
}

[ $# -ge 1 ] && [ -n "$1" ] || die "usage: make-disc.sh OUTDIR [TOOL]"
mkdir -p "$1" || die "cannot create the output folder $1"
out="$(cd "$1" && pwd)"
tool="${2:-${OSTREVAN_TOOL:-}}"
if [ -z "$tool" ]; then
  for candidate in "$root/build/release/tools/ostrevan-tool" "$root/build/test/tools/ostrevan-tool"; do
    if [ -x "$candidate" ]; then
      tool="$candidate"
      break
    fi
  done
fi
[ -n "$tool" ] && [ -x "$tool" ] ||
  die "ostrevan-tool not found${tool:+ at $tool}: build the target ostrevan-tool (cmake --build BUILD --target ostrevan-tool) and pass it as TOOL"
tool="$(cd "$(dirname "$tool")" && pwd)/$(basename "$tool")"

for program in sha256sum find sort xargs; do
  command -v "$program" >/dev/null 2>&1 || die "$program not found: apt-get install coreutils findutils"
done

# The stages, in name order.
stages=()
for dir in "$here"/disc/*/; do
  name="$(basename "$dir")"
  [ "$name" = lib ] && continue
  [ -f "$dir/make.sh" ] || continue
  if [ -n "${OSTREVAN_DISC_STAGES:-}" ] && [[ " $OSTREVAN_DISC_STAGES " != *" $name "* ]]; then
    continue
  fi
  stages+=("$name")
done
echo "[stages] ${#stages[@]} found: ${stages[*]:-none}"

# Packages the stages need, installed by the project's setup script.
packages=()
for name in "${stages[@]}"; do
  list="$here/disc/$name/packages.txt"
  [ -f "$list" ] || continue
  while read -r line; do
    line="${line%%#*}"
    for word in $line; do packages+=("$word"); done
  done <"$list"
done
if [ "${OSTREVAN_DISC_SETUP:-1}" != 0 ] && [ ${#packages[@]} -gt 0 ]; then
  bash "$root/scripts/setup.sh" "${packages[@]}" || die "installing the stages' packages failed: ${packages[*]}"
fi
echo "[packages] ${#packages[@]} checked"

# Stages run Python from their source folders: keep those free of byte code.
export PYTHONDONTWRITEBYTECODE=1

work="$out/work"
cache="$out/work/.hash"
mkdir -p "$work" "$cache"

# The hash of a stage: every file of its folder and of content/disc/lib, by
# path and content, and of the files and folders of other stages that its
# depends.txt names (paths below content/disc, one a line), if it has one.
stage_hash() {
  local name="$1" dirs=("$here/disc/$1") line
  [ -d "$here/disc/lib" ] && dirs+=("$here/disc/lib")
  if [ -f "$here/disc/$1/depends.txt" ]; then
    while read -r line; do
      line="${line%%#*}"
      [ -n "${line// /}" ] || continue
      [ -e "$here/disc/$line" ] || die "stage $1: depends.txt names $line, which is not in content/disc"
      dirs+=("$here/disc/$line")
    done <"$here/disc/$1/depends.txt"
  fi
  (
    cd "$here/disc"
    find "${dirs[@]#"$here/disc/"}" -name __pycache__ -prune -o -type f ! -name '*.swp' ! -name '*.pyc' -print0 |
      LC_ALL=C sort -z |
      xargs -0 sha256sum
  ) | sha256sum | cut -d' ' -f1
}

# Runs one stage into WORK/<stage>; its output replaces the old one only when
# it succeeded, so a failed stage leaves nothing half-made behind.
run_stage() {
  local name="$1" hash="$2"
  local dest="$work/$name" tmp="$work/.$name.new" log="$work/$name.log"
  local began
  began=$(date +%s)
  rm -rf "$tmp"
  mkdir -p "$tmp/$name"
  # The stage writes into a folder of its final name (fragments name their
  # paths by it), so it runs in a private parent that is renamed afterwards.
  if ! (cd "$root" && bash "$here/disc/$name/make.sh" "$tmp/$name" "$tool") >"$log" 2>&1 </dev/null; then
    rm -rf "$tmp"
    return 1
  fi
  rm -rf "$dest"
  mv "$tmp/$name" "$dest"
  rm -rf "$tmp"
  echo "$hash" >"$cache/$name"
  echo "$(($(date +%s) - began))" >"$cache/$name.seconds"
}

declare -A pids=() hashes=()
for name in "${stages[@]}"; do
  hash="$(stage_hash "$name")"
  hashes[$name]="$hash"
  if [ -d "$work/$name" ] && [ -f "$cache/$name" ] && [ "$(cat "$cache/$name")" = "$hash" ]; then
    continue
  fi
  rm -f "$cache/$name"
  echo "[stage $name] started (log $work/$name.log)"
  run_stage "$name" "$hash" &
  pids[$name]=$!
done

failed=()
for name in "${stages[@]}"; do
  count() { find "$work/$1" -type f | wc -l; }
  if [ -n "${pids[$name]:-}" ]; then
    if wait "${pids[$name]}"; then
      echo "[stage $name] made $(count "$name") files in $(cat "$cache/$name.seconds") s"
    else
      failed+=("$name")
      {
        echo "[stage $name] FAILED; the end of its log $work/$name.log:"
        tail -n 15 "$work/$name.log" | sed 's/^/    /'
      } >&2
    fi
  else
    echo "[stage $name] unchanged: $(count "$name") files"
  fi
done
[ ${#failed[@]} -eq 0 ] || die "stage(s) ${failed[*]} failed; no archive was changed"

# One build script per archive: a header and every stage's fragment.
archives=(QV_GUI QV_extra QV_DE QV_DE_VI)
declare -A destination=(
  [QV_GUI]="$out/Media/QV_GUI.msf"
  [QV_extra]="$out/CD/Media/QV_extra.msf"
  [QV_DE]="$out/CD/Media/QV_DE.msf"
  [QV_DE_VI]="$out/CD/Media/QV_DE_VI.msf"
)
mkdir -p "$out/Media" "$out/CD/Media"
# What an interrupted build of the archive builder left beside them.
rm -f "$out/Media"/.QV_*.part-* "$out/CD/Media"/.QV_*.part-*
# A rebuilt tool rebuilds the archives (its size and time stand for its content).
tool_key="$(stat -L -c '%s %Y' "$tool")"
for archive in "${archives[@]}"; do
  script="$work/$archive.txt"
  {
    echo "# $archive.msf of the Ostrevan Haus sample disc, joined by content/make-disc.sh"
    echo "# from the fragments of the stages; paths are relative to this folder."
    for name in "${stages[@]}"; do
      fragment="$work/$name/$archive.build"
      [ -f "$fragment" ] || continue
      echo
      echo "// ---- stage $name"
      cat "$fragment"
      echo
    done
  } >"$script.new"
  mv "$script.new" "$script"

  # The archive is rebuilt when its script or a stage that adds to it changed.
  key="$(
    {
      cat "$script"
      for name in "${stages[@]}"; do
        [ -f "$work/$name/$archive.build" ] && echo "$name ${hashes[$name]}"
      done
      echo "$tool_key"
    } | sha256sum | cut -d' ' -f1
  )"
  target="${destination[$archive]}"
  if [ -f "$target" ] && [ -f "$cache/$archive" ] && [ "$(cat "$cache/$archive")" = "$key" ]; then
    echo "[archive $archive] unchanged: $(stat -c %s "$target") bytes"
    continue
  fi
  rm -f "$cache/$archive"
  # The builder writes beside the target and renames when it has finished, so
  # a failed build leaves no half-written archive; the old one goes first so
  # that a failure cannot leave a stale archive looking current.
  rm -f "$target"
  if ! (cd "$work" && "$tool" archive build "$archive.txt" "$target" "$work/$archive.log") >"$work/$archive.out" 2>&1; then
    rm -f "$target"
    {
      echo "[archive $archive] FAILED; the end of the builder's log $work/$archive.log:"
      tail -n 8 "$work/$archive.log" 2>/dev/null | sed 's/^/    /'
      sed 's/^/    /' "$work/$archive.out"
    } >&2
    die "building $archive.msf failed"
  fi
  echo "$key" >"$cache/$archive"
  media=$(grep -c $'^ *[0-9]*\t' "$work/$archive.log" || true)
  echo "[archive $archive] built: $media media, $(stat -c %s "$target") bytes"
done

echo "[disc] made in $(($(date +%s) - start_time)) s: $out/Media/QV_GUI.msf and $out/CD/Media/{QV_extra,QV_DE,QV_DE_VI}.msf"
