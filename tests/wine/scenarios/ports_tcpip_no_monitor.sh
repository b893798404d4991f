# The TCP/IP kind on a machine without the "Standard TCP/IP Port" monitor
# (Wine has none; its AddPortA answers 50): no TCP/IP port exists, the
# add-port wizard cannot run, and the run ends like a cancelled wizard:
# Install enabled again, no dialog, no driver and no printer installed.
scenario_begin ports_tcpip_no_monitor
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

PRINTER="RX-46 Series"
if install_prepare; then
  start_setup
  choose_driver "$PRINTER" 3
  status_before=$(drive text "$MAIN_TITLE" 1011)
  check_ok "Install clicked" drive post-click "$MAIN_TITLE" 1012
  # The click disables Install; the cancelled wizard enables it again.
  sleep 2
  check_ok "Install is enabled again" drive wait-enabled "$MAIN_TITLE" 1012 30000
  check_fails "no TCP/IP port dialog" drive title "Configure TCP/IP PrinterPort"
  check_eq "the status line is unchanged" "$status_before" "$(drive text "$MAIN_TITLE" 1011)"
  check_eq "progress stays at 0" "0" "$(drive progress "$MAIN_TITLE" 1007)"
  check_eq "Cancel still reads &Cancel" "&Cancel" "$(drive text "$MAIN_TITLE" 2)"
  check_lacks_line "no driver registered" "$PRINTER" "$(drive drivers 'Windows NT x86')"
  printers=$(drive printers)
  if printf '%s\n' "$printers" | grep -qF "$PRINTER"; then
    fail "no printer created"
  else
    pass "no printer created"
  fi
  screenshot ports_tcpip_no_monitor

  check_ok "Cancel clicked" drive click "$MAIN_TITLE" 2
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
fi
