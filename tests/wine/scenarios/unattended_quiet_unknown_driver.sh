# /quiet with a driver name the package's list lacks: its exit code, no
# printer, no driver file, no window, and the log saying why.
scenario_begin unattended_quiet_unknown_driver
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/unattended_common.bash"

if install_prepare; then
  before=$(machine_state)
  run_setup /quiet /driver:POS-99 '/log:C:\Setup\setup log.txt'
  check_eq "exit code 1797 (unknown driver name), its low byte" "5" "$RC"
  check_eq "nothing is installed" "$before" "$(machine_state)"
  lines=$(log_lines 'C:\Setup\setup log.txt')
  check_has_line "the log says why" 'failure: "POS-99" is not in C:\DriverName.cfg' "$lines"
  check_has_line "the log ends with the exit code" "exit code 1797" "$(tail -n1 <<<"$lines")"
fi
