# A label install on the single parallel port: the language monitor (the
# project's own placeholder DLL) is copied to the system folder and
# registered, the driver is registered with it, every copy in the driver
# directory is removed again, and the run ends with "The installation is
# completed.".
scenario_begin install_label
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

PRINTER="LX-3(Label)"
if install_prepare; then
  install_and_check "$PRINTER" install_label
  check_has_line "the language monitor is registered" "Advanced Language Monitor" \
    "$(drive monitors)"
  check_ok "the monitor DLL is in $MONITOR_DLL_PATH" exists_on_c "$MONITOR_DLL_PATH"

  drivers=$(unix_path "$DRIVER_FOLDER")
  # The label engine's files end in 50 for 32-bit Windows, 56 for 64-bit.
  engine=50
  [ "$WINEARCH" = win64 ] && engine=56
  for file in LBXDRV$engine.DLL LBXUI$engine.DLL LBXENG$engine.DLL LBXPBR$engine.DLL LXF3.DAT LXF3.BA0 LXF3.PP0 \
    THERMAL.chm; do
    check_ok "the spooler holds $file" test -n "$(find "$drivers/3" -maxdepth 1 -iname "$file")"
  done
  check_eq "no copy stays beside the version folder" "" \
    "$(find "$drivers" -maxdepth 1 -type f -printf '%f\n')"

  check_ok "the window is closed" drive click "$MAIN_TITLE" 2
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
fi
