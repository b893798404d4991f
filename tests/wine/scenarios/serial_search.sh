# A serial installation that finds its printer: COM5 and COM6 are mapped to
# pseudo-terminals, the printer simulator answers at 9600 bps on COM6's.
# With 9600 chosen in the prompt, the search ends naming COM6:, the printer
# is on COM6: and COM6:'s settings value reads 9600,n,8,1.
#
# Needs the native tools too (package_builder, serial_printer_sim): taken
# from NATIVE_BUILD_DIR, by default build/linux of the source tree.
scenario_begin serial_search

source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
native=${NATIVE_BUILD_DIR:-$source_root/build/linux}
builder=$native/tools/package_builder/package_builder
printer_sim=$native/tools/serial_printer_sim/serial_printer_sim
sevenzip=$TEST_BUILD_DIR/tools/sevenzip32/7-zip32.dll
PROMPT_TITLE="Prompt(automatically select the available serial port) "

serial_ok=1
for needed in "$builder" "$printer_sim" "$sevenzip"; do
  if [ ! -e "$needed" ]; then
    fail "missing $needed (build the native and the windows presets)"
    serial_ok=0
  fi
done
command -v socat >/dev/null || { fail "socat is not installed"; serial_ok=0; }

if [ "$serial_ok" -eq 1 ]; then
  work=$(mktemp -d)
  serial_pids=()
  # Two pseudo-terminal pairs: the installer's end and the far end of each.
  for n in 5 6; do
    socat pty,raw,echo=0,link="$work/com$n" pty,raw,echo=0,link="$work/far$n" 2>/dev/null &
    serial_pids+=($!)
  done
  for _ in $(seq 100); do
    [ -e "$work/com5" ] && [ -e "$work/com6" ] && [ -e "$work/far6" ] && break
    sleep 0.05
  done
  "$printer_sim" --tty "$work/far6" --baud 9600 --delay-ms 10 >"$work/printer.log" 2>&1 &
  serial_pids+=($!)

  # The package and the archive library beside a copy of the program.
  "$builder" sample "$work/package" >/dev/null &&
    "$builder" build "$work/package" -o "$work/DriverData.Drv" >/dev/null ||
    fail "the sample package is built"
  put_file "$INSTALLER_EXE" 'C:\Setup\DriverSetup.exe'
  put_file "$sevenzip" 'C:\Setup\7-zip32.dll'
  put_file "$work/DriverData.Drv" 'C:\Setup\DriverData.Drv'

  # COM5 and COM6 on the pseudo-terminals; Wine lists them in SERIALCOMM
  # once its server starts again. Kept running from then on, so that the
  # list as trimmed below stays until the installer reads it.
  reg_set HKLM 'Software\Wine\Ports' COM5 sz "$(readlink -f "$work/com5")"
  reg_set HKLM 'Software\Wine\Ports' COM6 sz "$(readlink -f "$work/com6")"
  timeout 30 wineserver -k 2>/dev/null
  timeout 30 wineserver -w 2>/dev/null
  wineserver -p >/dev/null 2>&1
  serialcomm='HARDWARE\DEVICEMAP\SERIALCOMM'
  while IFS= read -r name; do
    [ -z "$name" ] && continue
    device=$(reg_value HKLM "$serialcomm" "$name")
    case "$device" in COM5 | COM6) ;; *) reg_delete HKLM "$serialcomm" "$name" ;; esac
  done < <(drive reg-values HKLM "$serialcomm")
  check_eq "SERIALCOMM lists the two mapped ports" "COM5
COM6" "$(while IFS= read -r name; do reg_value HKLM "$serialcomm" "$name"; done \
    < <(drive reg-values HKLM "$serialcomm") | sort)"

  start_setup
  printer=$(drive combo-items "$MAIN_TITLE" 1000 | head -n1)
  choose_driver "$printer" 0

  # What Windows' spooler keeps for a printer and a fresh Wine prefix lacks:
  # the DsSpooler key, and a ControlSet001 copy of the printer's key.
  reg_set HKLM "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\$printer\\DsSpooler" \
    portName sz ""
  reg_set HKLM "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\$printer" Port sz ""

  check_ok "Install clicked" drive post-click "$MAIN_TITLE" 1012
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
  if grep -qE "request (10 04 01|1B 21 3F)" "$work/printer.log"; then
    pass "the printer got the status request"
  else
    fail "the printer got the status request"
  fi

  check_ok "Finish clicked" drive click "$MAIN_TITLE" 2
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
  for pid in "${serial_pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait "${serial_pids[@]}" 2>/dev/null
  rm -rf "$work"
fi
