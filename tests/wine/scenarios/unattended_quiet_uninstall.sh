# /quiet /uninstall after a /quiet install: exit code 0, the printer and its
# driver gone, the log's end state; a re-run then finds nothing to remove
# and ends with 0 too.
scenario_begin unattended_quiet_uninstall
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/unattended_common.bash"

if install_prepare; then
  run_setup /quiet "/driver:RX-46 Series" /port:parallel
  check_eq "the install ends with 0" "0" "$RC"
  run_setup /quiet "/uninstall:RX-46 Series" '/log:C:\Setup\setup.log'
  check_eq "the removal ends with 0" "0" "$RC"
  check_lacks_line "the printer is gone" "RX-46 Series" "$(drive printers | cut -f1)"
  check_lacks_line "its driver is gone" "RX-46 Series" "$(drive drivers "$DRIVER_ENV")"
  check_has_line "the log's end state" \
    'end state: the printer "RX-46 Series" and its driver are removed' \
    "$(log_lines 'C:\Setup\setup.log')"
  run_setup /quiet "/uninstall:RX-46 Series" '/log:C:\Setup\again.log'
  check_eq "a name no longer listed gives 0" "0" "$RC"
  check_has_line "the log says so" 'nothing to remove: no printer "RX-46 Series" is listed' \
    "$(log_lines 'C:\Setup\again.log')"
fi
