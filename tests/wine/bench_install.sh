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
template="$WINE_RESULTS/bench-install-template"
export WINEPREFIX="$WINE_RESULTS/bench-install-prefix"
trap 'timeout 30 wineserver -k 2>/dev/null; stop_xvfb; rm -rf "$WINEPREFIX" "$template"' EXIT

steps_exe=$TEST_BUILD_DIR/tests/wine/driver_setup_steps.exe
sevenzip=$TEST_BUILD_DIR/tools/sevenzip32/7-zip32.dll
monitor=$TEST_BUILD_DIR/tests/wine/monitor/lbxmonNT.dll
builder=${NATIVE_BUILD_DIR:-$root/build/linux}/tools/package_builder/package_builder
for needed in "$INSTALLER_EXE" "$steps_exe" "$sevenzip" "$monitor" "$builder"; do
  [ -e "$needed" ] || { log "missing $needed (build the windows and the linux presets)"; exit 1; }
done

# The prepared prefix, as the install scenarios lay it out.
WINEPREFIX=$template make_template_prefix "$template" || { log "wineboot failed"; exit 1; }
(
  export WINEPREFIX=$template
  work=$(mktemp -d)
  "$builder" sample "$work/package" --monitor-dll "$monitor" --monitor-dll64 "$monitor" \
    >/dev/null &&
    "$builder" build "$work/package" -o "$work/DriverData.Drv" >/dev/null || exit 1
  put_file "$INSTALLER_EXE" 'C:\Setup\DriverSetup.exe'
  put_file "$steps_exe" 'C:\Setup\driver_setup_steps.exe'
  put_file "$sevenzip" 'C:\Setup\7-zip32.dll'
  put_file "$work/DriverData.Drv" 'C:\Setup\DriverData.Drv'
  rm -rf "$work"
  remove_port LPT2:
  remove_port LPT3:
  reg_set HKCU 'Software\Microsoft\Windows NT\CurrentVersion\Windows' Device sz ""
  timeout 30 wineserver -w
) || { log "the prefix could not be prepared"; exit 1; }

# One installation in a fresh copy of the prepared prefix: prints the
# milliseconds from the click to the completion text.
one_install() {  # exe driver-name
  local out="$WINE_RESULTS/bench-install-click.txt" ms
  timeout 30 wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
  cp -a "$template" "$WINEPREFIX"
  start_installer 'C:\Setup' "$(unix_path "C:\\Setup\\$1")"
  drive wait-enabled "$MAIN_TITLE" 1012 60000 >/dev/null || return 1
  drive combo-select "$MAIN_TITLE" 1000 "$2" >/dev/null || return 1
  drive list-select "$MAIN_TITLE" 1004 2 >/dev/null || return 1
  # Not through drive's command substitution (see bench_startup.sh).
  timeout 90 "$WINE" "$WINE_DRIVER" timed-click "$MAIN_TITLE" 1012 1011 \
    "The installation is completed." 60000 >"$out" 2>/dev/null || return 1
  ms=$(tr -d '\r' <"$out")
  if [ "$1" = driver_setup_steps.exe ]; then
    # Written when the command returns, just after the completion text.
    for _ in $(seq 50); do [ -s "$(unix_path 'C:\Setup\install-steps.txt')" ] && break; sleep 0.1; done
    cat "$(unix_path 'C:\Setup\install-steps.txt')" >>"$steps_file"
  fi
  drive click "$MAIN_TITLE" 2 >/dev/null
  drive wait-gone "$MAIN_TITLE" 20000 >/dev/null
  wait_installer_exit 20000
  echo "$ms"
}

median() { sort -g | awk '{a[NR]=$1} END {if (NR == 0) print "-"; else print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
range() { sort -g | awk 'NR==1 {lo=$1} {hi=$1} END {print lo "-" hi}'; }
summary() {  # label values...
  local label=$1
  shift
  printf '  %-34s %s (median %s, range %s)\n' "$label" "$*" \
    "$(printf '%s\n' "$@" | median)" "$(printf '%s\n' "$@" | range)"
}
field() { awk -v name="$2" '{for (i = 1; i < NF; i += 2) if ($i == name) print $(i + 1)}' "$1"; }

echo "Wine $WINEARCH, sample driver package, receipt and label drivers on LPT1:, $runs runs each"
for kind in receipt label; do
  case $kind in
    receipt) driver="RX-46 Series" ;;
    label) driver="LX-3(Label)" ;;
  esac
  steps_file=$(mktemp)
  installer=() measured=()
  for i in $(seq "$runs"); do
    s=$(one_install DriverSetup.exe "$driver") || { log "$kind installer run $i failed"; exit 1; }
    m=$(one_install driver_setup_steps.exe "$driver") || { log "$kind step run $i failed"; exit 1; }
    installer+=("$s") measured+=("$m")
  done
  mapfile -t command < <(field "$steps_file" command)
  mapfile -t platform < <(field "$steps_file" platform)
  mapfile -t waits < <(field "$steps_file" waits)
  mapfile -t window < <(field "$steps_file" window)
  mapfile -t own < <(field "$steps_file" own)
  echo "$kind ($driver), ms:"
  summary "installer, click to completed:" "${installer[@]}"
  summary "measuring build, click to completed:" "${measured[@]}"
  summary "  its Install command:" "${command[@]}"
  summary "  in platform calls (the limit):" "${platform[@]}"
  summary "  of which waits:" "${waits[@]}"
  summary "  in window calls (status, progress):" "${window[@]}"
  summary "  the rest (own computing):" "${own[@]}"
  mapfile -t ratio_own < <(paste <(printf '%s\n' "${command[@]}") <(printf '%s\n' "${platform[@]}") |
    awk '{printf "%.3f\n", $1 / $2}')
  mapfile -t ratio_limit < <(paste <(printf '%s\n' "${installer[@]}") <(printf '%s\n' "${platform[@]}") |
    awk '{printf "%.3f\n", $1 / $2}')
  summary "ratio command / platform:" "${ratio_own[@]}"
  summary "ratio installer / limit:" "${ratio_limit[@]}"
  rm -f "$steps_file"
done
