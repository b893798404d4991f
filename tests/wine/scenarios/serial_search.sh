# A serial installation that finds its printer: COM5 and COM6 are mapped to
# pseudo-terminals, the printer simulator answers at 9600 bps on COM6's.
# With 9600 chosen in the prompt, the search ends naming COM6:, the printer
# is on COM6: and COM6:'s settings value reads 9600,n,8,1.
scenario_begin serial_search
PROMPT_TITLE="Prompt(automatically select the available serial port) "

work=$(mktemp -d)
if need "$BUILDER" "$PRINTER_SIM" "$SEVENZIP" && make_package "$work" &&
  check_ok "socat is installed" command -v socat; then
  setup_files "$work/DriverData.Drv" "$SEVENZIP"
  serial_ports "$work" 5 6
  "$PRINTER_SIM" --tty "$work/far6" --baud 9600 --delay-ms 10 >"$work/printer.log" 2>&1 &
  SERIAL_PIDS+=($!)
  check_eq "SERIALCOMM lists the two mapped ports" $'COM5\nCOM6' \
    "$(reg_list HKLM "$SERIALCOMM" | cut -f2 | sort)"

  start_setup
  printer=$(drive combo-items "$MAIN_TITLE" 1000 | head -n1)
  # What Windows' spooler keeps for a printer and a fresh Wine prefix lacks:
  # the DsSpooler key, and a ControlSet001 copy of the printer's key.
  reg_set HKLM "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\$printer\\DsSpooler" \
    portName sz ""
  reg_set HKLM "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\$printer" Port sz ""
  install_click "$printer" 0
  check_ok "the serial prompt appears" drive wait-window "$PROMPT_TITLE" 60000
  check_eq "19200 is offered first" "5" "$(drive combo-sel "$PROMPT_TITLE" 1034)"
  check_ok "9600 chosen" drive combo-select "$PROMPT_TITLE" 1034 9600
  screenshot serial_prompt
  check_ok "Yes clicked" drive post-click "$PROMPT_TITLE" 1030
  check_ok "the search names COM6:" \
    drive wait-text "$MAIN_TITLE" 1011 "The available printer port:  COM6:" 30000
  check_ok "Cancel reads &Finish" drive wait-text "$MAIN_TITLE" 2 "&Finish" 10000
  check_eq "progress at 100" "100" "$(drive progress "$MAIN_TITLE" 1007)"
  screenshot serial_found
  check_has_line "the printer is on COM6:" "$printer	COM6:" "$(drive printers | cut -f1-2)"
  check_eq "COM6:'s settings value" "9600,n,8,1" "$(reg_value HKLM "$PORTS_KEY" COM6:)"
  check_eq "COM5: keeps no settings value" "" "$(reg_value HKLM "$PORTS_KEY" COM5: 2>/dev/null)"
  check_ok "the printer got the status request" \
    grep -qE "request (10 04 01|1B 21 3F)" "$work/printer.log"
  end_program "Finish clicked"
fi
serial_stop
rm -rf "$work"
