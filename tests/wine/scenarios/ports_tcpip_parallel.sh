# Three parallel ports, on a machine without the "Standard TCP/IP Port"
# monitor (Wine has none; its AddPortA answers 50).
#  - Install on the TCP/IP kind: no TCP/IP port exists and the add-port
#    wizard cannot run, so the run ends like a cancelled wizard: Install
#    enabled again, no dialog, status, progress and Cancel unchanged, no
#    driver and no printer.
#  - Then Install on the parallel kind: "Select A Parallel Port" lists the
#    three ports, the second is picked, and the printer ends on LPT2:.
scenario_begin ports_tcpip_parallel
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

PRINTER="RX-46 Series"
DIALOG="Select A Parallel Port"
if install_prepare; then
  add_port LPT2:
  add_port LPT3:
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

  install_click "$PRINTER" 2
  check_ok "the parallel port dialog appears" drive wait-window "$DIALOG" 30000
  check_eq "the three ports are listed, the first selected" \
    "S-${TAB}LPT1:${TAB}Local Port
--${TAB}LPT2:${TAB}Local Port
--${TAB}LPT3:${TAB}Local Port" "$(drive list-rows "$DIALOG" 1004)"
  check_eq "the dialog's columns" "Port${TAB}125
Description${TAB}300" "$(drive list-columns "$DIALOG" 1004)"
  check_fails "no printer before the choice" drive wait-text "$MAIN_TITLE" 1011 "$COMPLETED" 100
  screenshot ports_parallel_dialog
  check_ok "the second row is picked" drive list-select "$DIALOG" 1004 1
  check_ok "Ok clicked" drive post-click "$DIALOG" 1037
  check_ok "the dialog closes" drive wait-gone "$DIALOG" 30000
  check_ok "the installation completes" drive wait-text "$MAIN_TITLE" 1011 "$COMPLETED" 60000
  check_installed "$PRINTER" LPT2:
  screenshot ports_parallel_done
  end_program "the window is closed"
fi
