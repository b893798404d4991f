#!/usr/bin/env bash
# Installs what is missing, builds the installer and starts it under Wine
# with a sample driver package beside it: on your display when DISPLAY is
# set, otherwise on a virtual screen, with a screenshot written to build/.
#   scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh

# The program that ships is the 32-bit one; a host that cannot run 32-bit
# programs shows the 64-bit build of the same sources on 64-bit Windows.
preset=windows
export WINE_VARIANT=win32
if ! tests/wine/host_runs_32bit.sh; then
  echo "This host cannot run 32-bit programs (Exec format error from Wine's 32-bit loader): showing the 64-bit build on 64-bit Windows instead."
  preset=windows-x64
  WINE_VARIANT=win64
fi

echo "== building the installer ($preset preset)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"

export TEST_BUILD_DIR="$root/build/$preset"
export WINE_RESULTS="$root/build"
# shellcheck source=../tests/wine/lib.sh
source tests/wine/lib.sh
bin=$TEST_BUILD_DIR

# The sample driver package, made by the native package builder, with the
# placeholder language monitor built beside the installer.
package=""
if [ -f tools/package_builder/CMakeLists.txt ]; then
  echo "== building the package builder (linux preset)"
  cmake --preset linux >/dev/null
  cmake --build --preset linux -j"$(nproc)" --target package_builder
  sample="$root/build/sample-package"
  rm -rf "$sample"
  monitor=()
  if [ -f "$bin/tests/wine/monitor/lbxmonNT.dll" ]; then
    monitor=(--monitor-dll "$bin/tests/wine/monitor/lbxmonNT.dll"
      --monitor-dll64 "$bin/tests/wine/monitor/lbxmonNT.dll")
  fi
  build/linux/tools/package_builder/package_builder sample "$sample" "${monitor[@]}"
  package="$root/build/DriverData.Drv"
  build/linux/tools/package_builder/package_builder build "$sample" -o "$package"
fi

echo "== preparing a Wine prefix ($WINEARCH) under build/"
export WINEPREFIX="$root/build/wine-prefix-$WINE_VARIANT"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  make_template_prefix "$WINEPREFIX"
fi
# The program's folder on C:, which is also its current folder: the
# package is looked for in the current folder, the archive library beside
# the program.
folder='C:\DriverSetup'
put_file "$bin/DriverSetup.exe" "$folder\\DriverSetup.exe"
if [ -f "$bin/tools/sevenzip32/7-zip32.dll" ]; then
  put_file "$bin/tools/sevenzip32/7-zip32.dll" "$folder\\7-zip32.dll"
fi
[ -n "$package" ] && put_file "$package" "$folder\\DriverData.Drv"

if [ -n "${DISPLAY:-}" ]; then
  echo "== starting the installer on $DISPLAY"
  start_installer "$(unix_path "$folder\\DriverSetup.exe")"
  wait "$INSTALLER_PID" || true
  exit 0
fi

echo "== no display: starting the installer on a virtual screen"
start_xvfb || { echo "Xvfb did not start" >&2; exit 1; }
trap 'stop_xvfb' EXIT
start_installer "$(unix_path "$folder\\DriverSetup.exe")"
if drive wait-window "$MAIN_TITLE" 30000 >/dev/null; then
  # Let the start-up finish so the picture shows the ready window.
  drive wait-enabled "$MAIN_TITLE" 1012 30000 >/dev/null || true
  shot="$root/build/installer.png"
  import -display "$DISPLAY" -window root "$shot"
  echo "screenshot: $shot"
  drive click "$MAIN_TITLE" 2 >/dev/null || true
else
  echo "the installer window did not appear" >&2
fi
wait_installer_exit 20000 || kill "$INSTALLER_PID" 2>/dev/null || true
timeout 30 wineserver -k 2>/dev/null || true
