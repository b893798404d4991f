#!/usr/bin/env bash
# Start-up benchmark under Wine: the time from process start to the Install
# button being enabled, for three programs started the same way in the same
# prefix, interleaved run by run:
#   - the bare dialog (same size, same list view, progress bar and buttons,
#     enabled at once);
#   - the limit: the same bare dialog that first makes the platform calls the
#     installer's start-up must make, with the same waits (bench_limit.cpp);
#   - the installer.
# It prints installer / limit and limit / bare dialog, as the ratio of the
# medians and as the median and range of the ratios run by run, then the
# limit's time per call group. When the step-timing build of the installer
# (driver_setup_steps.exe) is there, it is started as many times more and
# its time per start-up step is printed as well.
#   tests/wine/bench_startup.sh BUILD_DIR [runs]
# With the sample package and the archive library beside the programs when
# they are built (tools/), so the start-up unpacks a real package.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [runs]" >&2; exit 2; }
BUILD_DIR=$(cd "$1" && pwd)
runs=${2:-9}
export BUILD_DIR TEST_BUILD_DIR="$BUILD_DIR" WINE_RESULTS="$BUILD_DIR/wine-results"
mkdir -p "$WINE_RESULTS"
source "$here/lib.sh"
select_wine "$root"
if [ -z "${DISPLAY:-}" ]; then start_xvfb || { log "Xvfb did not start"; exit 1; }; fi
export WINEPREFIX="$WINE_RESULTS/bench-prefix"
trap 'timeout 30 wineserver -k 2>/dev/null; stop_xvfb; rm -rf "$WINEPREFIX"' EXIT
make_template_prefix "$WINEPREFIX" || { log "wineboot failed"; exit 1; }
add_port USB001

put_file "$INSTALLER_EXE" 'C:\bench\DriverSetup.exe'
put_file "$TEST_BUILD_DIR/tests/wine/bench_dialog.exe" 'C:\bench\bench_dialog.exe'
put_file "$TEST_BUILD_DIR/tests/wine/bench_limit.exe" 'C:\bench\bench_limit.exe'
steps_exe=$TEST_BUILD_DIR/tests/wine/driver_setup_steps.exe
[ -f "$steps_exe" ] && put_file "$steps_exe" 'C:\bench\driver_setup_steps.exe'
package_note="no driver package"
sevenzip=$TEST_BUILD_DIR/tools/sevenzip32/7-zip32.dll
builder=${NATIVE_BUILD_DIR:-$root/build/linux}/tools/package_builder/package_builder
if [ -f "$sevenzip" ] && [ -x "$builder" ]; then
  work=$(mktemp -d)
  if "$builder" sample "$work/p" >/dev/null && "$builder" build "$work/p" -o "$work/DriverData.Drv" >/dev/null; then
    put_file "$sevenzip" 'C:\bench\7-zip32.dll'
    put_file "$work/DriverData.Drv" 'C:\bench\DriverData.Drv'
    package_note="sample driver package unpacked at start-up"
  fi
  rm -rf "$work"
fi

# One start: prints milliseconds to the enabled button, then closes the
# window and waits for the process to go.
one_start() {  # exe title
  local ms out="$WINE_RESULTS/bench-launch.txt"
  # Not through drive's command substitution: the started program may
  # inherit the output and keep it open.
  timeout 90 "$WINE" "$WINE_DRIVER" launch "C:\\bench\\$1" 'C:\bench' "$2" 1012 60000 \
    >"$out" 2>/dev/null || return 1
  ms=$(tr -d '\r' <"$out")
  drive click "$2" 2 >/dev/null
  drive wait-gone "$2" 20000 >/dev/null
  # Let the process end fully before the next start.
  sleep 2
  echo "$ms"
}

median() { sort -g | awk '{a[NR]=$1} END {if (NR == 0) print "-"; else print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
range() { sort -n | awk 'NR==1 {lo=$1} {hi=$1} END {print lo "-" hi}'; }
ratios() {  # "a b c" "x y z": a/x b/y c/z, one a line
  paste <(tr ' ' '\n' <<<"$1") <(tr ' ' '\n' <<<"$2") | awk '{printf "%.3f\n", $1 / $2}'
}
summary() {  # label values...
  local label=$1
  shift
  printf '%-14s %s ms (median %s, range %s)\n' "$label" "$*" \
    "$(printf '%s\n' "$@" | median)" "$(printf '%s\n' "$@" | range)"
}
ratio_line() {  # label numerators denominators
  local pairs of_medians
  pairs=$(ratios "$2" "$3")
  of_medians=$(awk -v a="$(tr ' ' '\n' <<<"$2" | median)" -v b="$(tr ' ' '\n' <<<"$3" | median)" \
    'BEGIN {printf "%.2f", a / b}')
  printf '%-32s %s (run by run: median %.2f, range %s)\n' "$1" "$of_medians" \
    "$(median <<<"$pairs")" "$(range <<<"$pairs" | awk -F- '{printf "%.2f-%.2f", $1, $2}')"
}
# A file of step lines "name MS name MS ...", one line a run: a table of the
# median of each step over the runs, with the median of "step/platform" (the
# part spent in platform calls) beside it where the file has one.
step_medians() {  # file
  local names name
  names=$(awk 'NR == 1 {for (i = 1; i < NF; i += 2) print $i}' "$1")
  printf '  %-12s %8s %9s\n' step ms platform
  for name in $names; do
    case $name in */platform) continue ;; esac
    printf '  %-12s %8s %9s\n' "$name" "$(step_values "$1" "$name" | median)" \
      "$(step_values "$1" "$name/platform" | median)"
  done
}
step_values() { awk -v name="$2" '{for (i = 1; i < NF; i += 2) if ($i == name) print $(i + 1)}' "$1"; }

# Warm-up: the first start of each loads Wine's libraries from disk (and the
# first start of the spooler service falls here).
one_start bench_dialog.exe "Bare Dialog" >/dev/null
one_start bench_limit.exe "Limit Dialog" >/dev/null
one_start DriverSetup.exe "$MAIN_TITLE" >/dev/null
limit_steps=$(unix_path 'C:\bench\limit-steps.txt')
rm -f "$limit_steps"
bare=() limit=() installer=()
for i in $(seq "$runs"); do
  b=$(one_start bench_dialog.exe "Bare Dialog") || { log "bare dialog run $i failed"; exit 1; }
  l=$(one_start bench_limit.exe "Limit Dialog") || { log "limit run $i failed"; exit 1; }
  s=$(one_start DriverSetup.exe "$MAIN_TITLE") || { log "installer run $i failed"; exit 1; }
  bare+=("$b") limit+=("$l") installer+=("$s")
done
echo "Wine $WINEARCH, $package_note, $runs runs each, interleaved"
summary "bare dialog:" "${bare[@]}"
summary "limit:" "${limit[@]}"
summary "installer:" "${installer[@]}"
ratio_line "ratio installer / limit:" "${installer[*]}" "${limit[*]}"
ratio_line "ratio limit / bare dialog:" "${limit[*]}" "${bare[*]}"
ratio_line "ratio installer / bare dialog:" "${installer[*]}" "${bare[*]}"
if [ -s "$limit_steps" ]; then
  echo "limit, medians per call group (worker: from process creation to the worker):"
  step_medians "$limit_steps"
fi

if [ -f "$steps_exe" ]; then
  installer_steps=$(unix_path 'C:\bench\startup-steps.txt')
  rm -f "$installer_steps"
  timed=()
  for i in $(seq "$runs"); do
    t=$(one_start driver_setup_steps.exe "$MAIN_TITLE") || { log "step run $i failed"; exit 1; }
    timed+=("$t")
  done
  summary "step build:" "${timed[@]}"
  if [ -s "$installer_steps" ]; then
    echo "installer step build, medians per step (worker: from process creation to the worker;"
    echo "platform: the part spent in platform calls and waits):"
    step_medians "$installer_steps"
  fi
fi
