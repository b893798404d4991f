#!/usr/bin/env bash
# End-to-end tests of the Windows executable under Wine.
#   tests/wine/run.sh BUILD_DIR [scenario-name-pattern]
# Runs every tests/wine/scenarios/*.sh (or those whose name matches the
# pattern) in a fresh 32-bit prefix each (64-bit where the kernel cannot run
# 32-bit programs: see select_wine in lib.sh), under Xvfb when DISPLAY is
# unset. Writes the counts to BUILD_DIR/wine-results/passed and /failed and
# the screenshots to BUILD_DIR/wine-results/; exits non-zero on any failure.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [pattern]" >&2; exit 2; }
TEST_BUILD_DIR=$(cd "$1" && pwd)
pattern=${2:-}
export TEST_BUILD_DIR WINE_RESULTS="$TEST_BUILD_DIR/wine-results"
export WINE_TEMPLATE="$WINE_RESULTS/template-prefix"
mkdir -p "$WINE_RESULTS"
rm -f "$WINE_RESULTS"/passed "$WINE_RESULTS"/failed "$WINE_RESULTS"/*.png
# shellcheck source=lib.sh
source "$here/lib.sh"

passed=0
failed=0
finish() {
  echo "$passed" >"$WINE_RESULTS/passed"
  echo "$failed" >"$WINE_RESULTS/failed"
  stop_xvfb
  rm -rf "$WINE_TEMPLATE" "$WINE_RESULTS/prefixes"
}
trap finish EXIT
stop() { log "$1"; failed=1; exit 1; }

select_wine
for needed in "$INSTALLER_EXE" "$WINE_DRIVER"; do
  [ -f "$needed" ] || stop "missing $needed: build the windows preset first"
done
[ -n "${DISPLAY:-}" ] || start_xvfb || stop "Xvfb did not start"
log "making the template prefix"
make_template_prefix "$WINE_TEMPLATE" || stop "wineboot failed"

for scenario in "$here"/scenarios/*.sh; do
  name=$(basename "$scenario" .sh)
  [[ "$name" == *$pattern* ]] || continue
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
