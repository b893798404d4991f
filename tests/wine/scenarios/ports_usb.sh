# A USB port in the Ports key: Install on the USB kind creates the printer on
# USB001 and runs the USB port selection to its end.
#
# Standing in for Windows' spooler, which Wine lacks, the scenario creates
# beforehand the printer's keys that Windows keeps and Wine does not:
# Software\...\Print\Printers\<name>\DsSpooler and the printer's key under
# SYSTEM\ControlSet001. Where the on-line flag's key can be made, all five
# keys are written, the printer is found off line (nothing sets the flag),
# the retry box shows and Cancel completes the installation. Wine keeps the
# hardware profile's Control key volatile, so the flag's key cannot be
# created there (1021): the selection then falls back to the USB port
# dialog, where the harness takes the listed port.
scenario_begin ports_usb
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

PRINTER="RX-46 Series"
DIALOG="Select a USB Port"
RETRY="Fail to select port"
PROFILE_KEY="SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\Print\\Printers\\$PRINTER"

# Whether the hardware profile's Control key refuses lasting sub-keys, as
# Wine's does: then the on-line flag's key cannot be created.
volatile_profile() {
  ! drive reg-set HKLM "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\PortsProbe" x sz x >/dev/null
}
SOFTWARE_KEY="Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\$PRINTER"
CONTROLSET1_KEY="SYSTEM\\ControlSet001\\Control\\Print\\Printers\\$PRINTER"
tab=$'\t'
if install_prepare; then
  add_port USB001
  if volatile_profile; then profile_volatile=1; else profile_volatile=0; fi
  reg_set HKLM "$SOFTWARE_KEY\\DsSpooler" portName sz ""
  reg_set HKLM "$CONTROLSET1_KEY" Port sz ""
  start_setup
  choose_driver "$PRINTER" 1
  check_ok "Install clicked" drive post-click "$MAIN_TITLE" 1012
fi
if installer_running; then
  # Which window comes first tells the path taken.
  path=""
  for _ in $(seq 40); do
    if drive title "$DIALOG" >/dev/null; then path=dialog; break; fi
    if drive title "$RETRY" >/dev/null; then path=retry; break; fi
    sleep 0.5
  done
  check_eq "the status names the port being checked" "Checking  USB001 ...." \
    "$(drive text "$MAIN_TITLE" 1011)"
  check_eq "keys 1 to 4 hold the port: 1" "USB001" "$(reg_value HKLM "$SOFTWARE_KEY" Port)"
  check_eq "keys 1 to 4 hold the port: 2" "USB001" \
    "$(reg_value HKLM "$SOFTWARE_KEY\\DsSpooler" portName)"
  check_eq "keys 1 to 4 hold the port: 3" "USB001" "$(reg_value HKLM "$CONTROLSET1_KEY" Port)"
  check_eq "keys 1 to 4 hold the port: 4" "USB001" \
    "$(reg_value HKLM "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\$PRINTER" Port)"
  if [ "$profile_volatile" -eq 1 ]; then
    check_eq "key 5 cannot be made: the USB port dialog is shown" "dialog" "$path"
    check_eq "USB001 is listed and selected" "S-${tab}USB001" "$(drive list-rows "$DIALOG" 1004)"
    check_eq "the dialog's column" "Port${tab}425" "$(drive list-columns "$DIALOG" 1004)"
    screenshot ports_usb_dialog
    check_ok "OK clicked" drive post-click "$DIALOG" 1043
    check_ok "the dialog closes" drive wait-gone "$DIALOG" 30000
  else
    check_eq "all five keys written, the printer off line: the retry box" "retry" "$path"
    check_eq "the on-line flag is 0" "0" "$(reg_value HKLM "$PROFILE_KEY" PrinterOnLine)"
    screenshot ports_usb_retry
    check_ok "Cancel clicked in the retry box" drive post-click "$RETRY" 2
    check_ok "the retry box closes" drive wait-gone "$RETRY" 30000
  fi
  check_ok "the installation completes" \
    drive wait-text "$MAIN_TITLE" 1011 "The installation is completed." 60000
  [ "$path" = dialog ] && check_fails "no retry box" drive title "$RETRY"
  check_has_line "the printer is on USB001" "$PRINTER${tab}USB001${tab}$PRINTER" "$(drive printers)"
  check_eq "Cancel reads &Finish" "&Finish" "$(drive text "$MAIN_TITLE" 2)"
  screenshot ports_usb_done

  check_ok "Finish clicked" drive click "$MAIN_TITLE" 2
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
fi
