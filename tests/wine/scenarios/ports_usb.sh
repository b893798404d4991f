# A USB port in the Ports key: Install on the USB kind creates the printer on
# USB001 and runs the USB port selection to its end.
#
# Standing in for Windows' spooler, the scenario first creates the printer's
# keys that Windows keeps and Wine lacks (...\Print\Printers\<name>\DsSpooler
# and the printer's key under SYSTEM\ControlSet001); the installer writes the
# port into them and into the spooler's own key. Wine keeps the hardware
# profile's Control key volatile, so the on-line flag's key, the fifth,
# cannot be created (1021): instead of the retry box for a printer off line,
# the selection falls back to the USB port dialog, where the listed port is
# taken.
scenario_begin ports_usb
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

PRINTER="RX-46 Series"
DIALOG="Select a USB Port"
SOFTWARE_KEY="Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\$PRINTER"
CONTROLSET1_KEY="SYSTEM\\ControlSet001\\Control\\Print\\Printers\\$PRINTER"
if install_prepare; then
  add_port USB001
  reg_set HKLM "$SOFTWARE_KEY\\DsSpooler" portName sz ""
  reg_set HKLM "$CONTROLSET1_KEY" Port sz ""
  start_setup
  install_click "$PRINTER" 1
  check_ok "the USB port dialog appears" drive wait-window "$DIALOG" 20000
  check_fails "no retry box" drive wait-window "Fail to select port" 0
  check_eq "the status names the port being checked" "Checking  USB001 ...." \
    "$(drive text "$MAIN_TITLE" 1011)"
  for key in "$SOFTWARE_KEY Port" "$SOFTWARE_KEY\\DsSpooler portName" "$CONTROLSET1_KEY Port" \
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\$PRINTER Port"; do
    check_eq "USB001 in ${key##* } of ${key% *}" "USB001" "$(reg_value HKLM "${key% *}" "${key##* }")"
  done
  check_eq "USB001 is listed and selected" "S-${TAB}USB001" "$(drive list-rows "$DIALOG" 1004)"
  check_eq "the dialog's column" "Port${TAB}425" "$(drive list-columns "$DIALOG" 1004)"
  screenshot ports_usb_dialog
  check_ok "OK clicked" drive post-click "$DIALOG" 1043
  check_ok "the dialog closes" drive wait-gone "$DIALOG" 30000
  check_ok "the installation completes" drive wait-text "$MAIN_TITLE" 1011 "$COMPLETED" 60000
  check_has_line "the printer is on USB001" "$PRINTER${TAB}USB001${TAB}$PRINTER" "$(drive printers)"
  check_eq "Cancel reads &Finish" "&Finish" "$(drive text "$MAIN_TITLE" 2)"
  screenshot ports_usb_done
  end_program "Finish clicked"
fi
