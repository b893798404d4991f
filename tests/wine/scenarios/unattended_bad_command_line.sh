# A bad command line: exit code 87, nothing unpacked or installed, no
# window in /quiet mode, the reason in the log.
scenario_begin unattended_bad_command_line
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/unattended_common.bash"

if install_prepare; then
  before=$(machine_state)
  touch "$WINEPREFIX/watching"
  watch_windows "$WINEPREFIX/shown.txt" "$WINEPREFIX/watching" &
  run_setup /quiet "/driver:RX-46 Series" /port:firewire '/log:C:\Setup\setup.log'
  rm -f "$WINEPREFIX/watching"
  wait
  check_eq "exit code 87" "87" "$RC"
  check_eq "nothing is installed" "$before" "$(machine_state)"
  check_fails "nothing is unpacked" test -e "$(unix_path 'C:\DriverName.cfg')"
  check_eq "no window was shown" "" "$(sort -u "$WINEPREFIX/shown.txt")"
  check_has_line "the log says why" \
    'Bad command line: /port: "firewire" is not serial, usb, parallel or tcpip' \
    "$(log_lines 'C:\Setup\setup.log')"
fi
