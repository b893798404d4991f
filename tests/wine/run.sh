#!/usr/bin/env bash
# End-to-end tests of the Windows executable under Wine.
#   tests/wine/run.sh BUILD_DIR [scenario-name-pattern]
# Runs every tests/wine/scenarios/*.sh (or those whose name matches the
# pattern) in a fresh 32-bit prefix each, under Xvfb when DISPLAY is unset.
# Writes the counts to BUILD_DIR/wine-results/passed and /failed and the
# screenshots to BUILD_DIR/wine-results/; exits non-zero on any failure.
#
# The installer is a 32-bit program. Where the kernel cannot run 32-bit
# programs (so 32-bit Wine cannot start), the same sources are built for
# x86-64 next to BUILD_DIR (BUILD_DIR-x64) and run in a 64-bit prefix; the
# log says so.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [pattern]" >&2; exit 2; }
BUILD_DIR=$(cd "$1" && pwd)
pattern=${2:-}
export BUILD_DIR
export WINE_RESULTS="$BUILD_DIR/wine-results"
export WINE_TEMPLATE="$WINE_RESULTS/template-prefix"
export TEST_BUILD_DIR="$BUILD_DIR"
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

select_wine

for needed in "$INSTALLER_EXE" "$WINE_DRIVER"; do
  if [ ! -f "$needed" ]; then
    log "missing $needed: build the windows preset first"
    failed=1
    exit 1
  fi
done

if [ -z "${DISPLAY:-}" ] && ! start_xvfb; then
  log "Xvfb did not start"
  failed=1
  exit 1
fi

log "making the template prefix"
if ! make_template_prefix "$WINE_TEMPLATE"; then
  log "wineboot failed"
  failed=1
  exit 1
fi

for scenario in "$here"/scenarios/*.sh; do
  [ -f "$scenario" ] || continue
  name=$(basename "$scenario" .sh)
  [ -n "$pattern" ] && [[ "$name" != *$pattern* ]] && continue
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
