#!/usr/bin/env bash
# Installation benchmark under Wine: the time from the Install click to "The
# installation is completed." for a receipt driver and a label driver on the
# single parallel port (LPT1:, no port dialog), against the time the same
# Install command spends in platform calls and waits.
#
# Each run starts from a copy of one prepared prefix (sample package, archive
# library, LPT1: only), so every installation finds the same machine. Per run
# and driver, interleaved:
#   - the installer: click to completion, timed from outside (wine_driver
#     timed-click);
#   - the measuring build (driver_setup_steps.exe): click to completion from
#     outside, and from inside the Install command's time, the time it spent
#     in platform calls (spooler, registry, files, services, security, waits
#     such as the spooler polls and the pause before completion) and in waits
#     alone, and in window-system calls (status lines, progress, buttons).
#     The platform time is the limit: what any program making these calls
#     must spend; window calls count as the program's own share.
# It prints, per driver, the figures of every run with medians and ranges,
# command / platform run by run, and installer / limit, the installer's time
# from outside over the measuring build's platform time of the same run.
#   tests/wine/bench_install.sh BUILD_DIR [runs]
source "$(dirname "$0")/lib.sh"
bench_begin "$@"
template=$WINEPREFIX
export WINEPREFIX="$WINE_RESULTS/bench-install-prefix"
BENCH_REMOVE+=("$WINEPREFIX")
fail() { log "$*"; exit 1; }
need "$INSTALLER_EXE" "$STEPS_EXE" "$SEVENZIP" "$MONITOR_DLL" "$BUILDER"

# The prepared prefix, as the install scenarios lay it out.
(
  export WINEPREFIX=$template
  source "$(dirname "$0")/scenarios/install_common.bash"
  install_prepare && put_file "$STEPS_EXE" 'C:\Setup\driver_setup_steps.exe'
  timeout 30 wineserver -w
) || fail "the prefix could not be prepared"

# One installation in a fresh copy of the prepared prefix: prints the
# milliseconds from the click to the completion text.
one_install() {  # exe driver-name
  local out="$WINE_RESULTS/bench-install-click.txt" steps
  steps=$(unix_path 'C:\Setup\install-steps.txt')
  timeout 30 wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
  cp -a "$template" "$WINEPREFIX"
  start_installer "$(unix_path "C:\\Setup\\$1")"
  drive wait-enabled "$MAIN_TITLE" 1012 60000 >/dev/null &&
    drive combo-select "$MAIN_TITLE" 1000 "$2" >/dev/null &&
    drive list-select "$MAIN_TITLE" 1004 2 >/dev/null &&
    # Not through drive's command substitution (see bench_startup.sh).
    timeout 90 "$WINE" "$WINE_DRIVER" timed-click "$MAIN_TITLE" 1012 1011 \
      "The installation is completed." 60000 >"$out" 2>/dev/null || return 1
  if [ "$1" = driver_setup_steps.exe ]; then
    # Written when the command returns, just after the completion text.
    for _ in $(seq 50); do [ -s "$steps" ] && break; sleep 0.1; done
    cat "$steps" >>"$steps_file"
  fi
  drive click "$MAIN_TITLE" 2 >/dev/null
  drive wait-gone "$MAIN_TITLE" 20000 >/dev/null
  wait_installer_exit 20000
  tr -d '\r' <"$out"
}

echo "Wine $WINEARCH, sample driver package, receipt and label drivers on LPT1:, $runs runs each"
for driver in "RX-46 Series" "LX-3(Label)"; do
  steps_file=$(mktemp)
  installer="" measured=""
  for i in $(seq "$runs"); do
    s=$(one_install DriverSetup.exe "$driver") || fail "$driver installer run $i failed"
    m=$(one_install driver_setup_steps.exe "$driver") || fail "$driver step run $i failed"
    installer+="$s"$'\n' measured+="$m"$'\n'
  done
  platform=$(field "$steps_file" platform)
  echo "$driver, ms:"
  summary "installer, click to completed:" "$installer"
  summary "measuring build, click to completed:" "$measured"
  summary "  its Install command:" "$(field "$steps_file" command)"
  summary "  in platform calls (the limit):" "$platform"
  summary "  of which waits:" "$(field "$steps_file" waits)"
  summary "  in window calls (status, progress):" "$(field "$steps_file" window)"
  summary "  the rest (own computing):" "$(field "$steps_file" own)"
  summary "ratio command / platform:" "$(ratios "$(field "$steps_file" command)" "$platform")"
  summary "ratio installer / limit:" "$(ratios "$installer" "$platform")"
  rm -f "$steps_file"
done
