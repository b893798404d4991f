# /quiet receipt install on the single parallel port: exit code 0, the
# printer with its driver on LPT1:, the log in %TEMP% holding the run from
# its command line to its exit code, the same lines on the output, and no
# window shown at any moment.
scenario_begin unattended_quiet_receipt
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/unattended_common.bash"

if install_prepare; then
  touch "$WINEPREFIX/watching"
  watch_windows "$WINEPREFIX/shown.txt" "$WINEPREFIX/watching" &
  run_setup /quiet "/driver:RX-46 Series" /port:parallel
  rm -f "$WINEPREFIX/watching"
  wait
  check_eq "no window was shown" "" "$(sort -u "$WINEPREFIX/shown.txt")"
  check_eq "exit code 0" "0" "$RC"
  check_installed "RX-46 Series" LPT1:
  check_has_line "the driver is registered" "RX-46 Series" "$(drive drivers "$DRIVER_ENV")"
  log=$(find "$WINEPREFIX/drive_c/users" -iname DriverSetup.log | head -n1)
  check_ok "the log is in %TEMP%" test -n "$log"
  lines=$(sed 's/^[0-9-]* [0-9:.]*  \[[0-9]*\] //' "$log" | tr -d '\r')
  for line in 'command line: /quiet "/driver:RX-46 Series" /port:parallel' \
    "status: Added the printer RX-46 Series" "status: The installation is completed." \
    'end state: printer "RX-46 Series" on LPT1:' "exit code 0"; do
    check_has_line "the log says: $line" "$line" "$lines"
  done
  check_ok "the log says where the package was found" \
    grep -qE '^package: looked for in .*\\DriverData\.Drv, unpacked$' <<<"$lines"
  check_ok "every line has its time stamp" \
    test "$(grep -cE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12}  ' "$log")" -eq "$(wc -l <"$log")"
  check_eq "the console shows the same lines" "$(tr -d '\r' <"$log")" "$CONSOLE"
  check_fails "the work folders are removed" test -e "$(unix_path 'C:\Ticket')"
fi
