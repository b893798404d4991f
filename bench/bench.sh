#!/usr/bin/env bash
# Benchmarks under Wine, not part of the test run (they take minutes and want
# a quiet machine).
#   bench/bench.sh startup|install BUILD_DIR [runs]
# startup: process start to Install enabled for the bare dialog, the limit
#   (the bare dialog making first the platform calls, waits and window
#   writes of the installer's start-up: bench_dialog.cpp), the installer and
#   its measuring build (timed_machine.cpp), interleaved, each unpacking the
#   sample package;
#   with the limit's time per call group and the measuring build's per step.
# install: the Install click to "The installation is completed." for a
#   receipt and a label driver on LPT1:, each run in a fresh copy of one
#   prepared prefix, for the installer and the measuring build, with the
#   latter's time in platform calls, waits, window calls and its own
#   computing; the limit is what any program making the same platform and
#   window calls must spend.
set -uo pipefail
[ $# -ge 2 ] || { echo "usage: $0 startup|install BUILD_DIR [runs]" >&2; exit 2; }
mode=$1 runs=${3:-9}
TEST_BUILD_DIR=$(cd "$2" && pwd)
export TEST_BUILD_DIR WINE_RESULTS="$TEST_BUILD_DIR/wine-results"
source "$(dirname "$0")/../tests/wine/lib.sh"
fail() { log "$*"; exit 1; }
mkdir -p "$WINE_RESULTS"
[ -n "${DISPLAY:-}" ] || start_xvfb || fail "Xvfb did not start"
template="$WINE_RESULTS/bench-template" out="$WINE_RESULTS/bench-out.txt"
export WINEPREFIX="$WINE_RESULTS/bench-prefix"
trap 'timeout 30 wineserver -k 2>/dev/null; stop_xvfb; rm -rf "$template" "$WINEPREFIX"' EXIT
make_template_prefix "$WINEPREFIX" || fail "wineboot failed"

# Figures, one a line: median; range; a line with both.
median() { sort -g | awk '{a[NR]=$1} END {print !NR ? "-" : NR % 2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
range() { sort -g | awk 'NR==1 {lo=$1} {hi=$1} END {print lo "-" hi}'; }
summary() {  # label figures
  printf '%-38s %s (median %s, range %s)\n' "$1" "$(paste -sd' ' <<<"$2")" \
    "$(median <<<"$2")" "$(range <<<"$2")"
}
ratios() { paste <(echo "$1") <(echo "$2") | awk '{printf "%.3f\n", $1 / $2}'; }
ratio_line() {  # label numerators denominators: ratio of the medians, and run by run
  printf '%-38s %.2f (run by run: median %.2f, range %s)\n' "$1" \
    "$(ratios "$(median <<<"$2")" "$(median <<<"$3")")" "$(ratios "$2" "$3" | median)" \
    "$(ratios "$2" "$3" | range)"
}
# The figures of one name in a file of lines "name MS name MS ...".
field() { awk -v name="$2" '{for (i = 1; i < NF; i += 2) if ($i == name) print $(i + 1)}' "$1"; }
# Such a file as the median of each name, and of "name/platform" beside it.
step_medians() {  # file
  local name
  printf '  %-12s %8s %9s\n' step ms platform
  for name in $(awk 'NR == 1 {for (i = 1; i < NF; i += 2) print $i}' "$1" | grep -v /platform); do
    printf '  %-12s %8s %9s\n' "$name" "$(field "$1" "$name" | median)" \
      "$(field "$1" "$name/platform" | median)"
  done
}
# The window driver's output through a file: a started program inherits the
# output and would hold a command substitution open.
drive_to_out() { timeout 90 "$WINE" "$WINE_DRIVER" "$@" >"$out" 2>/dev/null && tr -d '\r' <"$out"; }

# Start to Install enabled; then the window is closed and what the start
# unpacked removed, so that every run unpacks into the same empty place.
one_start() {  # exe title
  drive_to_out launch "C:\\bench\\$1" 'C:\bench' "$2" 1012 60000 || fail "$1 did not start"
  drive click "$2" 2 >/dev/null
  drive wait-gone "$2" 20000 >/dev/null
  sleep 2  # lets the process end fully before the next start
  rm -rf "$(unix_path 'C:\Ticket')" "$(unix_path 'C:\Barcode')" "$(unix_path 'C:\DriverName.cfg')"
}

startup() {
  local exe i t names=(bench_dialog.exe bench_limit.exe DriverSetup.exe driver_setup_steps.exe)
  local titles=("Bare Dialog" "Limit Dialog" "$MAIN_TITLE" "$MAIN_TITLE") times=("" "" "" "")
  add_port USB001
  for exe in "$BENCH_PROGRAMS"/bench_{dialog,limit}.exe "$INSTALLER_EXE" "$STEPS_EXE" "$SEVENZIP"; do
    put_file "$exe" "C:\\bench\\$(basename "$exe")" || fail "missing $exe"
  done
  make_package "$WINE_RESULTS/bench-package" && put_file "$WINE_RESULTS/bench-package/DriverData.Drv" \
    'C:\bench\DriverData.Drv' || fail "the package is not built"
  rm -rf "$WINE_RESULTS/bench-package"
  # The first start of each loads Wine's libraries from disk (and the first
  # start of the spooler service falls here).
  for i in 0 1 2 3; do one_start "${names[i]}" "${titles[i]}" >/dev/null || exit 1; done
  rm -f "$(unix_path 'C:\bench\limit-steps.txt')" "$(unix_path 'C:\bench\startup-steps.txt')"
  for _ in $(seq "$runs"); do
    for i in 0 1 2 3; do
      t=$(one_start "${names[i]}" "${titles[i]}") || exit 1
      times[i]+="$t"$'\n'
    done
  done
  echo "Wine, sample driver package unpacked at start-up, $runs runs each, interleaved; ms"
  for i in 0 1 2 3; do times[i]=$(grep . <<<"${times[i]}"); done
  summary "bare dialog:" "${times[0]}"
  summary "limit:" "${times[1]}"
  summary "installer:" "${times[2]}"
  summary "measuring build:" "${times[3]}"
  ratio_line "ratio installer / limit:" "${times[2]}" "${times[1]}"
  ratio_line "ratio limit / bare dialog:" "${times[1]}" "${times[0]}"
  ratio_line "ratio installer / bare dialog:" "${times[2]}" "${times[0]}"
  echo "limit, medians per call group (worker: from process creation to the worker):"
  step_medians "$(unix_path 'C:\bench\limit-steps.txt')"
  echo "measuring build, medians per step (platform: its part in platform calls and waits):"
  step_medians "$(unix_path 'C:\bench\startup-steps.txt')"
}

# The Install click to the completion text, in a fresh copy of the prepared
# prefix; the measuring build's figures are added to STEPS_FILE.
one_install() {  # exe driver-name
  timeout 30 wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
  cp -a "$template" "$WINEPREFIX"
  start_installer "$(unix_path "C:\\Setup\\$1")"
  drive wait-enabled "$MAIN_TITLE" 1012 60000 >/dev/null &&
    drive combo-select "$MAIN_TITLE" 1000 "$2" >/dev/null &&
    drive list-select "$MAIN_TITLE" 1004 2 >/dev/null &&
    drive_to_out timed-click "$MAIN_TITLE" 1012 1011 "$COMPLETED" 60000 || fail "$1 $2 failed"
  local steps
  steps=$(unix_path 'C:\Setup\install-steps.txt')
  # Written when the command returns, just after the completion text.
  for _ in $(seq 50); do [ "$1" = DriverSetup.exe ] || [ -s "$steps" ] && break; sleep 0.1; done
  [ ! -f "$steps" ] || cat "$steps" >>"$STEPS_FILE"
  drive click "$MAIN_TITLE" 2 >/dev/null
  wait_installer_exit 20000
}

install() {
  local driver installer measured limit s m
  source "$(dirname "$0")/../tests/wine/scenarios/install_common.bash"
  install_prepare && put_file "$STEPS_EXE" 'C:\Setup\driver_setup_steps.exe' ||
    fail "the prefix could not be prepared"
  timeout 30 wineserver -w
  rm -rf "$template"
  mv "$WINEPREFIX" "$template"
  echo "Wine, sample driver package, receipt and label drivers on LPT1:, $runs runs each; ms"
  for driver in "RX-46 Series" "LX-3(Label)"; do
    STEPS_FILE=$(mktemp)
    installer="" measured=""
    for _ in $(seq "$runs"); do
      s=$(one_install DriverSetup.exe "$driver") || exit 1
      m=$(one_install driver_setup_steps.exe "$driver") || exit 1
      installer+="$s"$'\n' measured+="$m"$'\n'
    done
    # The limit: the platform calls with their waits and the window calls that
    # show the run (the status line per copied file, the progress bar).
    limit=$(paste <(field "$STEPS_FILE" platform) <(field "$STEPS_FILE" window) |
      awk '{printf "%.1f\n", $1 + $2}')
    echo "$driver:"
    summary "installer, click to completed:" "$(grep . <<<"$installer")"
    summary "measuring build, click to completed:" "$(grep . <<<"$measured")"
    summary "  its Install command:" "$(field "$STEPS_FILE" command)"
    summary "  in platform calls:" "$(field "$STEPS_FILE" platform)"
    summary "  of which waits:" "$(field "$STEPS_FILE" waits)"
    summary "  in window calls (status, progress):" "$(field "$STEPS_FILE" window)"
    summary "  the rest (own computing):" "$(field "$STEPS_FILE" own)"
    summary "limit (platform and window calls):" "$limit"
    summary "ratio command / limit:" "$(ratios "$(field "$STEPS_FILE" command)" "$limit")"
    summary "ratio installer / limit:" "$(ratios "$(grep . <<<"$installer")" "$limit")"
    rm -f "$STEPS_FILE"
  done
}

case $mode in startup | install) "$mode" ;; *) fail "unknown mode $mode" ;; esac
