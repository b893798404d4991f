# Shared by the install scenarios (sourced, not a scenario of its own).
# Lays out a machine with the sample package (the language-monitor
# placeholder, built for the installer's own architecture, standing in for
# the monitor DLL of either bitness), the archive library and one parallel
# port, then installs one driver name. A scenario may define
# install_customise, given the package folder before it is packed.

WINDOWS_KEY='Software\Microsoft\Windows NT\CurrentVersion\Windows'

install_prepare() {
  local source_root native
  source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
  native=${NATIVE_BUILD_DIR:-$source_root/build/linux}
  INSTALL_BUILDER=$native/tools/package_builder/package_builder
  INSTALL_SEVENZIP=$TEST_BUILD_DIR/tools/sevenzip32/7-zip32.dll
  INSTALL_MONITOR=$TEST_BUILD_DIR/tests/wine/monitor/lbxmonNT.dll
  local needed ok=0
  for needed in "$INSTALL_BUILDER" "$INSTALL_SEVENZIP" "$INSTALL_MONITOR"; do
    if [ ! -e "$needed" ]; then
      fail "missing $needed (build the native and the windows presets)"
      ok=1
    fi
  done
  [ "$ok" -eq 0 ] || return 1

  INSTALL_WORK=$(mktemp -d)
  "$INSTALL_BUILDER" sample "$INSTALL_WORK/package" --monitor-dll "$INSTALL_MONITOR" \
    --monitor-dll64 "$INSTALL_MONITOR" >/dev/null &&
    { ! declare -F install_customise >/dev/null || install_customise "$INSTALL_WORK/package"; } &&
    "$INSTALL_BUILDER" build "$INSTALL_WORK/package" -o "$INSTALL_WORK/DriverData.Drv" >/dev/null ||
    { fail "the sample package is built"; return 1; }
  put_file "$INSTALLER_EXE" 'C:\Setup\DriverSetup.exe'
  put_file "$INSTALL_SEVENZIP" 'C:\Setup\7-zip32.dll'
  put_file "$INSTALL_WORK/DriverData.Drv" 'C:\Setup\DriverData.Drv'
  rm -rf "$INSTALL_WORK"

  # One parallel port, so that no port dialog is needed; the key of the
  # default printer, which a fresh prefix lacks and the installer only opens.
  remove_port LPT2:
  remove_port LPT3:
  reg_set HKCU "$WINDOWS_KEY" Device sz ""
}

# Picks the driver name and the parallel row, clicks Install and waits for
# the end of the run; screenshots it. Returns 0 when the run completed.
install_run() {  # driver-name screenshot-name
  start_setup
  choose_driver "$1" 2
  check_ok "Install clicked" drive post-click "$MAIN_TITLE" 1012
  if ! drive wait-text "$MAIN_TITLE" 1011 "The installation is completed." 60000 >/dev/null; then
    fail "the installation completes (status: $(drive text "$MAIN_TITLE" 1011))"
    screenshot "$2"
    return 1
  fi
  pass "the installation completes"
  check_eq "progress at 100" "100" "$(drive progress "$MAIN_TITLE" 1007)"
  check_eq "Cancel reads &Finish" "&Finish" "$(drive text "$MAIN_TITLE" 2)"
  check_eq "Install is enabled again" "1" "$(drive enabled "$MAIN_TITLE" 1012)"
  screenshot "$2"
  return 0
}

# install_run for a printer named as its driver, then what every such install
# leaves: the printer on LPT1: with its driver, the Device value naming it
# (both only after a completed run) and the driver registered.
install_and_check() {  # driver-name screenshot-name
  local tab=$'\t'
  if install_run "$1" "$2"; then
    check_has_line "the printer is listed with its driver on LPT1:" \
      "$1${tab}LPT1:${tab}$1" "$(drive printers)"
    check_eq "the Device value names the printer" "$1,winspool,LPT1:" \
      "$(reg_value HKCU "$WINDOWS_KEY" Device)"
  fi
  check_has_line "the driver is registered for $DRIVER_ENV" "$1" "$(drive drivers "$DRIVER_ENV")"
}
