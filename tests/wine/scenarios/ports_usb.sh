# A USB port in the Ports key: Install on the USB kind creates the printer on
# USB001 and runs the USB port selection to its end.
#
# Standing in for Windows' spooler, the scenario first creates the printer's
# keys that Windows keeps and Wine lacks (...\Print\Printers\<name>\DsSpooler
# and the printer's key under SYSTEM\ControlSet001). Where the on-line
# flag's key can be made, all five keys are written, the printer is found off
# line (nothing sets the flag), the retry box shows and Cancel completes the
# installation. Wine keeps the hardware profile's Control key volatile, so
# the flag's key cannot be created there (1021): the selection then falls
# back to the USB port dialog, where the listed port is taken.
scenario_begin ports_usb
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

PRINTER="RX-46 Series"
DIALOG="Select a USB Port"
RETRY="Fail to select port"
CONTROL='SYSTEM\CurrentControlSet\Hardware Profiles\Current\System\CurrentControlSet\Control'
SOFTWARE_KEY="Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\$PRINTER"
CONTROLSET1_KEY="SYSTEM\\ControlSet001\\Control\\Print\\Printers\\$PRINTER"
if install_prepare; then
  add_port USB001
  profile_volatile=0
  reg_set HKLM "$CONTROL\\PortsProbe" x sz x || profile_volatile=1
  reg_set HKLM "$SOFTWARE_KEY\\DsSpooler" portName sz ""
  reg_set HKLM "$CONTROLSET1_KEY" Port sz ""
  start_setup
  install_click "$PRINTER" 1
fi
if installer_running; then
  # Which window comes first tells the path taken.
  path=""
  for _ in $(seq 40); do
    if drive wait-window "$DIALOG" 0 >/dev/null; then path=dialog; break; fi
    if drive wait-window "$RETRY" 0 >/dev/null; then path=retry; break; fi
    sleep 0.5
  done
  check_eq "the status names the port being checked" "Checking  USB001 ...." \
    "$(drive text "$MAIN_TITLE" 1011)"
  for key in "$SOFTWARE_KEY Port" "$SOFTWARE_KEY\\DsSpooler portName" "$CONTROLSET1_KEY Port" \
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\$PRINTER Port"; do
    check_eq "USB001 in ${key##* } of ${key% *}" "USB001" "$(reg_value HKLM "${key% *}" "${key##* }")"
  done
  if [ "$profile_volatile" -eq 1 ]; then
    check_eq "key 5 cannot be made: the USB port dialog is shown" "dialog" "$path"
    check_eq "USB001 is listed and selected" "S-${TAB}USB001" "$(drive list-rows "$DIALOG" 1004)"
    check_eq "the dialog's column" "Port${TAB}425" "$(drive list-columns "$DIALOG" 1004)"
    screenshot ports_usb_dialog
    check_ok "OK clicked" drive post-click "$DIALOG" 1043
    check_ok "the dialog closes" drive wait-gone "$DIALOG" 30000
  else
    check_eq "all five keys written, the printer off line: the retry box" "retry" "$path"
    check_eq "the on-line flag is 0" "0" \
      "$(reg_value HKLM "$CONTROL\\Print\\Printers\\$PRINTER" PrinterOnLine)"
    screenshot ports_usb_retry
    check_ok "Cancel clicked in the retry box" drive post-click "$RETRY" 2
    check_ok "the retry box closes" drive wait-gone "$RETRY" 30000
  fi
  check_ok "the installation completes" drive wait-text "$MAIN_TITLE" 1011 "$COMPLETED" 60000
  [ "$path" = dialog ] && check_fails "no retry box" drive wait-window "$RETRY" 0
  check_has_line "the printer is on USB001" "$PRINTER${TAB}USB001${TAB}$PRINTER" "$(drive printers)"
  check_eq "Cancel reads &Finish" "&Finish" "$(drive text "$MAIN_TITLE" 2)"
  screenshot ports_usb_done
  end_program "Finish clicked"
fi
