# Shared by the install scenarios (sourced, not a scenario of its own).
# Lays out a machine with the sample package (the language-monitor
# placeholder built with the project standing in for the monitor DLL), the
# archive library and one parallel port, then installs one driver name.

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
  "$INSTALL_BUILDER" sample "$INSTALL_WORK/package" --monitor-dll "$INSTALL_MONITOR" >/dev/null &&
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
#
# On a host without 32-bit support the harness runs the 64-bit build in a
# 64-bit prefix: that process is not under WOW64, so it registers the
# driver for "Windows NT x86", which Wine's AddPrinterA does not look at
# from a 64-bit process (error 87). There the run must end in the
# failed-creation state with the generic message, and the function returns 1.
install_run() {  # driver-name screenshot-name
  start_installer 'C:\Setup' "$(unix_path 'C:\Setup\DriverSetup.exe')"
  check_ok "the main window appears" drive wait-window "$MAIN_TITLE" 30000
  check_ok "Install becomes enabled" drive wait-enabled "$MAIN_TITLE" 1012 60000
  check_ok "the driver name is chosen" drive combo-select "$MAIN_TITLE" 1000 "$1"
  check_ok "the parallel row is chosen" drive list-select "$MAIN_TITLE" 1004 2
  check_ok "Install clicked" drive post-click "$MAIN_TITLE" 1012
  if [ "${WINEARCH:-win32}" = win64 ]; then
    log "   (64-bit prefix: the printer cannot be created for an x86 driver)"
    check_ok "the creation error is shown" drive wait-window "Error prompt" 60000
    screenshot "$2"
    check_ok "the error box is closed" drive close "Error prompt"
    check_ok "Install is enabled again" drive wait-enabled "$MAIN_TITLE" 1012 10000
    check_eq "progress back at 0" "0" "$(drive progress "$MAIN_TITLE" 1007)"
    check_eq "Cancel still reads &Cancel" "&Cancel" "$(drive text "$MAIN_TITLE" 2)"
    return 1
  fi
  check_ok "the installation completes" \
    drive wait-text "$MAIN_TITLE" 1011 "The installation is completed." 60000
  check_eq "progress at 100" "100" "$(drive progress "$MAIN_TITLE" 1007)"
  check_eq "Cancel reads &Finish" "&Finish" "$(drive text "$MAIN_TITLE" 2)"
  check_eq "Install is enabled again" "1" "$(drive enabled "$MAIN_TITLE" 1012)"
  screenshot "$2"
  return 0
}
