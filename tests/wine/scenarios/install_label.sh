# A label install on the single parallel port: the language monitor (the
# project's own placeholder DLL) is copied to the system folder and
# registered, the driver is registered with it, every copy in the driver
# directory is removed again, and the run ends with "The installation is
# completed.".
scenario_begin install_label
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

PRINTER="LX-3(Label)"
if install_prepare; then
  if install_run "$PRINTER" install_label; then
    tab=$'\t'
    check_has_line "the printer is listed with its driver on LPT1:" \
      "$PRINTER${tab}LPT1:${tab}$PRINTER" "$(drive printers)"
    check_eq "the Device value names the printer" "$PRINTER,winspool,LPT1:" \
      "$(reg_value HKCU "$WINDOWS_KEY" Device)"
  fi
  check_has_line "the driver is registered for Windows NT x86" "$PRINTER" \
    "$(drive drivers 'Windows NT x86')"
  check_has_line "the language monitor is registered" "Advanced Language Monitor" \
    "$(drive monitors)"
  check_ok "the monitor DLL is in the system folder" \
    test -f "$(unix_path 'C:\windows\system32\lbxmonNT.dll')"

  drivers=$(unix_path 'C:\windows\system32\spool\drivers\w32x86')
  for file in LBXDRV50.DLL LBXUI50.DLL LBXENG50.DLL LBXPBR50.DLL LXF3.DAT LXF3.BA0 LXF3.PP0 \
    THERMAL.chm; do
    check_ok "the spooler holds $file" test -n "$(find "$drivers/3" -maxdepth 1 -iname "$file")"
  done
  check_eq "no copy stays beside the version folder" "" \
    "$(find "$drivers" -maxdepth 1 -type f -printf '%f\n')"

  check_ok "the window is closed" drive click "$MAIN_TITLE" 2
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
fi
