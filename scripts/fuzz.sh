#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 20).
# Findings stop the run and leave a crash-* file in build/fuzz/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=build/fuzz
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all"

# Warnings are the other builds' business; clang's own set must not stop
# the fuzzers from building.
mkdir -p "$build"
printf '#!/bin/sh\nexec clang++ "$@" -Wno-error\n' >"$build/clang++-fuzz"
chmod +x "$build/clang++-fuzz"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER="$(pwd)/$build/clang++-fuzz" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitize" >/dev/null
cmake --build "$build" -j"$(nproc)" --target installer_sim

status=0
for target in fuzz_archive_entry fuzz_driver_names; do
  clang++ -std=c++20 -g -O1 -fsanitize=fuzzer $sanitize -Isrc "tests/fuzz/$target.cpp" \
    -Wl,--start-group "$build/libinstaller_sim.a" "$build/libinstaller_logic.a" -Wl,--end-group \
    -larchive -lpthread -o "$build/$target"
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  dict=()
  if [ -f "tests/fuzz/$target.dict" ]; then dict=("-dict=../../tests/fuzz/$target.dict"); fi
  rc=0
  (cd "$build" && "./$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 "${dict[@]}" "corpus/$target" "../../tests/fuzz/corpus/$target") \
    >"$build/$target.log" 2>&1 || rc=$?
  grep -E "^(stat::number_of_executed_units|stat::new_units_added|==[0-9]+==|SUMMARY|property violated)" \
    "$build/$target.log" || true
  if [ "$rc" != 0 ]; then
    tail -n 30 "$build/$target.log"
    echo "FAIL: $target found a fault (log and crash input in $build)"
    status=1
  fi
done
exit $status
