#!/usr/bin/env bash
# Start-up benchmark under Wine: the time from process start to the Install
# button being enabled, as a ratio to a bare dialog program (same size,
# same controls, enabled at once) started the same way in the same prefix.
#   tests/wine/bench_startup.sh BUILD_DIR [runs]
# With the sample package and the archive library beside the installer when
# they are built (tools/), so the start-up unpacks a real package.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [runs]" >&2; exit 2; }
BUILD_DIR=$(cd "$1" && pwd)
runs=${2:-7}
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

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

# Warm-up: the first start of each loads Wine's libraries from disk.
one_start bench_dialog.exe "Bare Dialog" >/dev/null
one_start DriverSetup.exe "$MAIN_TITLE" >/dev/null
bare=() installer=()
for i in $(seq "$runs"); do
  b=$(one_start bench_dialog.exe "Bare Dialog") || { log "bare dialog run $i failed"; exit 1; }
  s=$(one_start DriverSetup.exe "$MAIN_TITLE") || { log "installer run $i failed"; exit 1; }
  bare+=("$b") installer+=("$s")
done
bare_median=$(printf '%s\n' "${bare[@]}" | median)
installer_median=$(printf '%s\n' "${installer[@]}" | median)
ratio=$(awk -v a="$installer_median" -v b="$bare_median" 'BEGIN {printf "%.2f", a / b}')
echo "Wine $WINEARCH, $package_note, $runs runs each"
echo "bare dialog:  ${bare[*]} ms (median $bare_median)"
echo "installer:    ${installer[*]} ms (median $installer_median)"
echo "ratio installer / bare dialog: $ratio"
