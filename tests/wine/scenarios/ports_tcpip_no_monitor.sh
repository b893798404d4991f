# The TCP/IP kind on a machine without the "Standard TCP/IP Port" monitor
# (Wine has none; its AddPortA answers 50): no TCP/IP port exists, the
# add-port wizard cannot run, and the run ends like a cancelled wizard:
# Install enabled again, no dialog, no driver and no printer installed.
scenario_begin ports_tcpip_no_monitor
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

PRINTER="RX-46 Series"
if install_prepare; then
  start_setup
  status_before=$(drive text "$MAIN_TITLE" 1011)
  install_click "$PRINTER" 3
  # The click disables Install; the cancelled wizard enables it again.
  sleep 2
  check_ok "Install is enabled again" drive wait-enabled "$MAIN_TITLE" 1012 30000
  check_fails "no TCP/IP port dialog" drive wait-window "Configure TCP/IP PrinterPort" 0
  check_eq "the status line is unchanged" "$status_before" "$(drive text "$MAIN_TITLE" 1011)"
  check_eq "progress stays at 0" "0" "$(drive progress "$MAIN_TITLE" 1007)"
  check_eq "Cancel still reads &Cancel" "&Cancel" "$(drive text "$MAIN_TITLE" 2)"
  check_lacks_line "no driver registered" "$PRINTER" "$(drive drivers "$DRIVER_ENV")"
  check_fails "no printer created" grep -qF "$PRINTER" <<<"$(drive printers)"
  screenshot ports_tcpip_no_monitor
  end_program
fi
