# The package lies in the current directory but no archive library is there:
# nothing is unpacked, the driver list stays empty and Install is enabled.
scenario_begin package_no_library
source "$(dirname "${BASH_SOURCE[0]}")/package_common.bash"

if package_tools_ready; then
  work=$(mktemp -d)
  package_build_sample "$work" || fail "the sample package is built"
  put_file "$INSTALLER_EXE" 'C:\Setup\DriverSetup.exe'
  put_file "$work/DriverData.Drv" 'C:\Setup\DriverData.Drv'
  start_setup
  check_eq "the driver list is empty" "" "$(drive combo-items "$MAIN_TITLE" 1000)"
  check_eq "nothing selected" "-1" "$(drive combo-sel "$MAIN_TITLE" 1000)"
  check_fails "no name list was unpacked" exists_on_c 'C:\DriverName.cfg'
  check_fails "no receipt files were unpacked" exists_on_c 'C:\Ticket'
  screenshot package_no_library

  check_ok "Cancel clicked" drive click "$MAIN_TITLE" 2
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
  check_ok "the package is left alone" exists_on_c 'C:\Setup\DriverData.Drv'
  rm -rf "$work"
fi
