#!/usr/bin/env bash
# End-to-end tests of the Windows executable under Wine.
#   tests/wine/run.sh BUILD_DIR [scenario-name-pattern]
# Runs every scenarios/*.sh (or those whose name has the pattern) in a fresh
# copy of one 32-bit prefix, under Xvfb when DISPLAY is unset. Writes the
# counts to BUILD_DIR/wine-results/passed and /failed, the screenshots beside
# them; exits non-zero on any failure.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [pattern]" >&2; exit 2; }
TEST_BUILD_DIR=$(cd "$1" && pwd)
export TEST_BUILD_DIR WINE_RESULTS="$TEST_BUILD_DIR/wine-results"
export WINE_TEMPLATE="$WINE_RESULTS/template-prefix"
mkdir -p "$WINE_RESULTS"
rm -f "$WINE_RESULTS"/passed "$WINE_RESULTS"/failed "$WINE_RESULTS"/*.png
source "$here/lib.sh"

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
make_template_prefix "$WINE_TEMPLATE" || stop "wineboot failed"

for scenario in "$here"/scenarios/*.sh; do
  name=$(basename "$scenario" .sh)
  [[ "$name" == *${2:-}* ]] || continue
  if timeout 600 bash -c 'source "$1"; source "$2"; scenario_end' _ "$here/lib.sh" "$scenario"; then
    passed=$((passed + 1))
    log "PASSED $name"
  else
    failed=$((failed + 1))
    log "FAILED $name"
    # A scenario killed by its timeout leaves its Wine behind.
    WINEPREFIX="$WINE_RESULTS/prefixes/$name" timeout 30 wineserver -k 2>/dev/null || true
  fi
done

log "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
