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
source "$(dirname "$0")/lib.sh"
bench_begin "$@"
add_port USB001
for exe in DriverSetup.exe:"$INSTALLER_EXE" bench_dialog.exe:"$TEST_BUILD_DIR/tests/wine/bench_dialog.exe" \
  bench_limit.exe:"$TEST_BUILD_DIR/tests/wine/bench_limit.exe" driver_setup_steps.exe:"$STEPS_EXE"; do
  [ -f "${exe#*:}" ] && put_file "${exe#*:}" "C:\\bench\\${exe%%:*}"
done
package_note="no driver package"
work=$(mktemp -d)
if [ -f "$SEVENZIP" ] && [ -x "$BUILDER" ] && make_package "$work"; then
  put_file "$SEVENZIP" 'C:\bench\7-zip32.dll'
  put_file "$work/DriverData.Drv" 'C:\bench\DriverData.Drv'
  package_note="sample driver package unpacked at start-up"
fi
rm -rf "$work"

# One start: prints milliseconds to the enabled button, then closes the
# window, waits for the process to go and removes the work area it unpacked
# (the installer does so itself), so that every run unpacks into the same
# empty place.
one_start() {  # exe title
  local out="$WINE_RESULTS/bench-launch.txt"
  # Not through drive's command substitution: the started program may
  # inherit the output and keep it open.
  timeout 90 "$WINE" "$WINE_DRIVER" launch "C:\\bench\\$1" 'C:\bench' "$2" 1012 60000 \
    >"$out" 2>/dev/null || return 1
  drive click "$2" 2 >/dev/null
  drive wait-gone "$2" 20000 >/dev/null
  sleep 2  # lets the process end fully before the next start
  rm -rf "$(unix_path 'C:\Ticket')" "$(unix_path 'C:\Barcode')" "$(unix_path 'C:\DriverName.cfg')"
  tr -d '\r' <"$out"
}
ratio_line() {  # label numerators denominators
  local pairs
  pairs=$(ratios "$2" "$3")
  printf '%-32s %.2f (run by run: median %.2f, range %s)\n' "$1" \
    "$(awk -v a="$(median <<<"$2")" -v b="$(median <<<"$3")" 'BEGIN {print a / b}')" \
    "$(median <<<"$pairs")" "$(range <<<"$pairs" | awk -F- '{printf "%.2f-%.2f", $1, $2}')"
}

# Warm-up: the first start of each loads Wine's libraries from disk (and the
# first start of the spooler service falls here).
one_start bench_dialog.exe "Bare Dialog" >/dev/null
one_start bench_limit.exe "Limit Dialog" >/dev/null
one_start DriverSetup.exe "$MAIN_TITLE" >/dev/null
limit_steps=$(unix_path 'C:\bench\limit-steps.txt')
rm -f "$limit_steps"
bare="" limit="" installer=""
for i in $(seq "$runs"); do
  b=$(one_start bench_dialog.exe "Bare Dialog") || { log "bare dialog run $i failed"; exit 1; }
  l=$(one_start bench_limit.exe "Limit Dialog") || { log "limit run $i failed"; exit 1; }
  s=$(one_start DriverSetup.exe "$MAIN_TITLE") || { log "installer run $i failed"; exit 1; }
  bare+="$b"$'\n' limit+="$l"$'\n' installer+="$s"$'\n'
done
echo "Wine $WINEARCH, $package_note, $runs runs each, interleaved"
summary "bare dialog:" "$bare" ms
summary "limit:" "$limit" ms
summary "installer:" "$installer" ms
ratio_line "ratio installer / limit:" "$installer" "$limit"
ratio_line "ratio limit / bare dialog:" "$limit" "$bare"
ratio_line "ratio installer / bare dialog:" "$installer" "$bare"
if [ -s "$limit_steps" ]; then
  echo "limit, medians per call group (worker: from process creation to the worker):"
  step_medians "$limit_steps"
fi

if [ -f "$STEPS_EXE" ]; then
  installer_steps=$(unix_path 'C:\bench\startup-steps.txt')
  rm -f "$installer_steps"
  timed=""
  for i in $(seq "$runs"); do
    t=$(one_start driver_setup_steps.exe "$MAIN_TITLE") || { log "step run $i failed"; exit 1; }
    timed+="$t"$'\n'
  done
  summary "step build:" "$timed" ms
  if [ -s "$installer_steps" ]; then
    echo "installer step build, medians per step (worker: from process creation to the worker;"
    echo "platform: the part spent in platform calls and waits):"
    step_medians "$installer_steps"
  fi
fi
