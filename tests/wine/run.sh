#!/usr/bin/env bash
# End-to-end tests of the Windows executable under Wine.
#   tests/wine/run.sh BUILD_DIR [VARIANT [scenario-name...]]
# VARIANT is win32 (the default), wow64 or win64 (lib.sh says what each
# stands for); BUILD_DIR is the i686 build for the first two, the x86_64
# build for win64. Runs every scenarios/*.sh (or those named) in a fresh
# copy of one prefix, under Xvfb when DISPLAY is unset. Writes the counts to
# BUILD_DIR/wine-results-VARIANT/passed and /failed, the screenshots beside
# them; exits non-zero on any failure.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [win32|wow64|win64 [scenario...]]" >&2; exit 2; }
TEST_BUILD_DIR=$(cd "$1" && pwd)
export WINE_VARIANT=${2:-win32}
shift $(($# < 2 ? $# : 2))
export TEST_BUILD_DIR WINE_RESULTS="$TEST_BUILD_DIR/wine-results-$WINE_VARIANT"
export WINE_TEMPLATE="$WINE_RESULTS/template-prefix"
mkdir -p "$WINE_RESULTS"
rm -f "$WINE_RESULTS"/passed "$WINE_RESULTS"/failed "$WINE_RESULTS"/*.png
source "$here/lib.sh" || exit 2

passed=0 failed=0
finish() {
  echo "$passed" >"$WINE_RESULTS/passed"
  echo "$failed" >"$WINE_RESULTS/failed"
  stop_xvfb
  rm -rf "$WINE_TEMPLATE" "$WINE_RESULTS/prefixes"
}
trap finish EXIT
stop() { log "$1"; failed=1; exit 1; }

for needed in "$INSTALLER_EXE" "$WINE_DRIVER"; do
  [ -f "$needed" ] || stop "missing $needed: build the windows preset first"
done
[ -n "${DISPLAY:-}" ] || start_xvfb || stop "Xvfb did not start"
make_template_prefix "$WINE_TEMPLATE" || stop "wineboot failed ($WINE_VARIANT prefix)"

for scenario in "$here"/scenarios/*.sh; do
  name=$(basename "$scenario" .sh)
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  if timeout 600 bash -c 'source "$1"; source "$2"; scenario_end' _ "$here/lib.sh" "$scenario"; then
    passed=$((passed + 1))
    log "PASSED $name ($WINE_VARIANT)"
  else
    failed=$((failed + 1))
    log "FAILED $name ($WINE_VARIANT)"
    # A scenario killed by its timeout leaves its Wine behind.
    WINEPREFIX="$WINE_RESULTS/prefixes/$name" timeout 30 wineserver -k 2>/dev/null || true
  fi
done

log "wine $WINE_VARIANT: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
