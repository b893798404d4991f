#!/usr/bin/env bash
# Native extraction throughput of driver packages: package_builder's
# extraction (the simulated machine's libarchive path) against Debian's
# `7z x` on the same cabinet, best of three runs each.
#   tools/package_builder/benchmark.sh PACKAGE_BUILDER [MEGABYTES]
# Prints one line per package: sizes, both times and the throughput ratio
# (ours / 7z; 1.0 means as fast as 7z).
set -euo pipefail
builder=$(realpath "$1")
megabytes=${2:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best_of_three() {  # command... ; prints the best wall time in seconds
  local best=""
  for _ in 1 2 3; do
    rm -rf "$work/out"
    mkdir -p "$work/out"
    local start end t
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

measure() {  # name cabinet
  local name=$1 cab=$2 bytes ours theirs
  "$builder" extract "$cab" "$work/check" >/dev/null
  bytes=$(du -sb "$work/check" | cut -f1)
  rm -rf "$work/check"
  ours=$(best_of_three "$builder" extract "$cab" "$work/out")
  theirs=$(best_of_three 7z x -y "$cab" -o"$work/out")
  printf '%-8s %10d bytes unpacked  ours %.3f s  7z %.3f s  ratio %.2f\n' \
    "$name" "$bytes" "$ours" "$theirs" "$(echo "$theirs / $ours" | bc -l)"
}

"$builder" sample "$work/sample"
"$builder" build "$work/sample" -o "$work/sample.cab"
measure sample "$work/sample.cab"

# The large package: the sample plus placeholder engine data that does not
# compress (random bytes), in 5 MB files.
cp -r "$work/sample" "$work/large"
mkdir -p "$work/large/Barcode/Common"
count=$((megabytes / 5))
for i in $(seq 1 "$count"); do
  head -c $((5 * 1024 * 1024)) /dev/urandom >"$work/large/Barcode/Common/DATA$i.BIN"
done
"$builder" build "$work/large" -o "$work/large.cab"
measure large "$work/large.cab"
