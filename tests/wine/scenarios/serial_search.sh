# Serial installations on COM5 to COM12, mapped to pseudo-terminals.
#  - Nothing answers: the search probes the eight ports (a tick of 700 ms
#    each) and ends with the Not-found text. The installer's CPU time while
#    it probes, as a share of one core, goes to the log and to
#    WINE_RESULTS/serial_probe_cpu.txt.
#  - Then the printer simulator answers at 9600 bps on COM6: with 9600
#    chosen in the prompt, the search ends naming COM6:, the printer is on
#    COM6: and COM6:'s settings value reads 9600,n,8,1.
scenario_begin serial_search
PROMPT="Prompt(automatically select the available serial port) "

work=$(mktemp -d)
if need "$BUILDER" "$PRINTER_SIM" "$SEVENZIP" && make_package "$work" &&
  check_ok "socat is installed" command -v socat; then
  setup_files "$work/DriverData.Drv" "$SEVENZIP"
  serial_ports "$work" $(seq 5 12)
  check_eq "SERIALCOMM lists the mapped ports" "$(printf 'COM%s\n' $(seq 5 12) | sort)" \
    "$(reg_list HKLM "$SERIALCOMM" | cut -f2 | sort)"
  start_setup
  printer=$(drive combo-items "$MAIN_TITLE" 1000 | head -n1)
  # What Windows' spooler keeps for a printer and a fresh Wine prefix lacks.
  reg_set HKLM "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\$printer\\DsSpooler" \
    portName sz ""
  reg_set HKLM "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\$printer" Port sz ""

  install_click "$printer" 0
  check_ok "the serial prompt appears" drive wait-window "$PROMPT" 60000
  check_ok "Yes clicked" drive post-click "$PROMPT" 1030
  # Measured from the first port's request to the end of the search.
  for _ in $(seq 300); do
    [[ "$(drive text "$MAIN_TITLE" 1011)" == Checking* ]] && break
    sleep 0.02
  done
  pid=$(pgrep -x DriverSetup.exe | head -n1)
  server=$(pgrep -x 'wineserver(32|64)?' | head -n1)
  cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }  # user + system, in clock ticks
  c0=$(cpu "$pid") s0=$(cpu "$server") t0=$(date +%s%N)
  check_ok "the search ends" drive wait-text "$MAIN_TITLE" 2 "&Finish" 30000
  c1=$(cpu "$pid") s1=$(cpu "$server") t1=$(date +%s%N)
  check_ok "nothing answered" grep -q '^Cannot select a available port' \
    <<<"$(drive text "$MAIN_TITLE" 1011)"
  figure=$(awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v ns=$((t1 - t0)) -v hz="$(getconf CLK_TCK)" \
    'BEGIN { w = ns / 1e9; printf "probing 8 silent ports: %.2f s of wall time, installer %.1f %%, wineserver %.1f %% of a core", w, 100 * c / hz / w, 100 * s / hz / w }')
  log "   $figure"
  echo "$figure" >"$WINE_RESULTS/serial_probe_cpu.txt"

  "$PRINTER_SIM" --tty "$work/far6" --baud 9600 --delay-ms 10 >"$work/printer.log" 2>&1 &
  SERIAL_PIDS+=($!)
  check_ok "Install is enabled again" drive wait-enabled "$MAIN_TITLE" 1012 10000
  install_click "$printer" 0
  check_ok "the serial prompt appears again" drive wait-window "$PROMPT" 60000
  check_eq "19200 is offered first" "5" "$(drive combo-sel "$PROMPT" 1034)"
  check_ok "9600 chosen" drive combo-select "$PROMPT" 1034 9600
  screenshot serial_prompt
  check_ok "Yes clicked" drive post-click "$PROMPT" 1030
  check_ok "the search names COM6:" \
    drive wait-text "$MAIN_TITLE" 1011 "The available printer port:  COM6:" 30000
  check_ok "Cancel reads &Finish" drive wait-text "$MAIN_TITLE" 2 "&Finish" 10000
  check_eq "progress at 100" "100" "$(drive progress "$MAIN_TITLE" 1007)"
  screenshot serial_found
  check_has_line "the printer is on COM6:" "$printer$TAB"COM6: "$(drive printers | cut -f1-2)"
  check_eq "COM6:'s settings value" "9600,n,8,1" "$(reg_value HKLM "$PORTS_KEY" COM6:)"
  check_eq "COM5: keeps no settings value" "" "$(reg_value HKLM "$PORTS_KEY" COM5: 2>/dev/null)"
  check_ok "the printer got the status request" \
    grep -qE "request (10 04 01|1B 21 3F)" "$work/printer.log"
  end_program "Finish clicked"
fi
serial_stop
rm -rf "$work"
