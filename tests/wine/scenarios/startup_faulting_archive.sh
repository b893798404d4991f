# An archive library that crashes inside its extraction (monitor.c): the
# start-up still ends with Install enabled and the environment line, the
# driver list stays empty, and the program ends normally on Cancel.
scenario_begin startup_faulting_archive
printf 'not really a cabinet' >"$WINE_RESULTS/fake.Drv"
setup_files "$WINE_RESULTS/fake.Drv" "$MONITOR_DLL"
start_setup
check_eq "status line" "Current Systems is Microsoft Windows 7  $WINDOWS_BITS" \
  "$(drive text "$MAIN_TITLE" 1011)"
check_eq "no driver names" "" "$(drive combo-items "$MAIN_TITLE" 1000)"
check_ok "the program still runs" installer_running
end_program
