# The package lies in the current directory but no archive library is there:
# nothing is unpacked, the driver list stays empty and Install is enabled.
scenario_begin package_no_library
work=$(mktemp -d)
if need "$BUILDER" "$INSTALLER_EXE" && make_package "$work"; then
  setup_files "$work/DriverData.Drv"
  start_setup
  check_eq "the driver list is empty" "" "$(drive combo-items "$MAIN_TITLE" 1000)"
  check_eq "nothing selected" "-1" "$(drive combo-sel "$MAIN_TITLE" 1000)"
  check_fails "no name list was unpacked" exists_on_c 'C:\DriverName.cfg'
  check_fails "no receipt files were unpacked" exists_on_c 'C:\Ticket'
  screenshot package_no_library
  end_program
  check_ok "the package is left alone" exists_on_c 'C:\Setup\DriverData.Drv'
fi
rm -rf "$work"
