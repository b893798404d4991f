# A second installer while the first one's window is open: /quiet gives
# exit code 1618, says so in its log and installs nothing.
scenario_begin unattended_second_instance
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/unattended_common.bash"

if install_prepare; then
  start_setup
  before=$(machine_state)
  run_setup /quiet "/driver:RX-46 Series" /port:parallel '/log:C:\Setup\setup.log'
  check_eq "exit code 1618, its low byte" "82" "$RC"
  check_eq "nothing is installed" "$before" "$(machine_state)"
  check_has_line "the log says so" "Another printer driver installer is running." \
    "$(log_lines 'C:\Setup\setup.log')"
  end_program "the first installer is closed"
fi
