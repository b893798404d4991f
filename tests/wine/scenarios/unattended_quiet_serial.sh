# /quiet serial install with /baud:9600: COM5 and COM6 are mapped to
# pseudo-terminals, the printer simulator answers at 9600 bps on COM6's.
# The search runs on its timer without a window: exit code 0, the printer on
# COM6:, COM6:'s settings value 9600,n,8,1, the prompt's answer in the log.
scenario_begin unattended_quiet_serial
source "$(dirname "${BASH_SOURCE[0]}")/unattended_common.bash"

work=$(mktemp -d)
if need "$BUILDER" "$PRINTER_SIM" "$SEVENZIP" && make_package "$work" &&
  check_ok "socat is installed" command -v socat; then
  setup_files "$work/DriverData.Drv" "$SEVENZIP"
  serial_ports "$work" 5 6
  "$PRINTER_SIM" --tty "$work/far6" --baud 9600 --delay-ms 10 >"$work/printer.log" 2>&1 &
  SERIAL_PIDS+=($!)
  # What Windows' spooler keeps for a printer and a fresh Wine prefix lacks.
  reg_set HKLM "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\RX-46 Series\\DsSpooler" \
    portName sz ""
  reg_set HKLM "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\RX-46 Series" Port sz ""
  run_setup /quiet "/driver:RX-46 Series" /port:serial /baud:9600 '/log:C:\Setup\setup.log'
  check_eq "exit code 0" "0" "$RC"
  check_has_line "the printer is on COM6:" "RX-46 Series	COM6:" "$(drive printers | cut -f1-2)"
  check_eq "COM6:'s settings value" "9600,n,8,1" "$(reg_value HKLM "$PORTS_KEY" COM6:)"
  lines=$(log_lines 'C:\Setup\setup.log')
  check_has_line "the prompt's answer is logged" "serial prompt -> Yes, 9600 bps" "$lines"
  check_has_line "the search's end is logged" "status: The available printer port:  COM6:" \
    "$lines"
fi
serial_stop
rm -rf "$work"
