# An archive library that crashes inside its extraction: the start-up still
# ends with Install enabled and the environment line, the driver list stays
# empty, and the program ends normally on Cancel.
scenario_begin startup_faulting_archive
put_file "$INSTALLER_EXE" 'C:\Setup\DriverSetup.exe'
put_file "$TEST_BUILD_DIR/tests/wine/faulting/7-zip32.dll" 'C:\Setup\7-zip32.dll'
printf 'not really a cabinet' >"$WINE_RESULTS/fake.Drv"
put_file "$WINE_RESULTS/fake.Drv" 'C:\Setup\DriverData.Drv'
start_setup
check_eq "status line" "Current Systems is Microsoft Windows 7  $WINDOWS_BITS" \
  "$(drive text "$MAIN_TITLE" 1011)"
check_eq "no driver names" "" "$(drive combo-items "$MAIN_TITLE" 1000)"
if installer_running; then pass "the program still runs"; else fail "the program still runs"; fi
check_ok "Cancel clicked" drive click "$MAIN_TITLE" 2
if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
