# Three parallel ports: Install on the parallel kind opens "Select A Parallel
# Port" with the three ports, the second row is picked, and the printer ends
# on LPT2:.
scenario_begin ports_parallel
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

DIALOG="Select A Parallel Port"
tab=$'\t'
if install_prepare; then
  add_port LPT2:
  add_port LPT3:
  start_setup
  install_click "RX-46 Series" 2
  check_ok "the parallel port dialog appears" drive wait-window "$DIALOG" 30000
  check_eq "the three ports are listed, the first selected" \
    "S-${tab}LPT1:${tab}Local Port
--${tab}LPT2:${tab}Local Port
--${tab}LPT3:${tab}Local Port" "$(drive list-rows "$DIALOG" 1004)"
  check_eq "the dialog's columns" "Port${tab}125
Description${tab}300" "$(drive list-columns "$DIALOG" 1004)"
  check_fails "no printer before the choice" drive wait-text "$MAIN_TITLE" 1011 \
    "The installation is completed." 100
  screenshot ports_parallel_dialog

  check_ok "the second row is picked" drive list-select "$DIALOG" 1004 1
  check_ok "Ok clicked" drive post-click "$DIALOG" 1037
  check_ok "the dialog closes" drive wait-gone "$DIALOG" 30000
  check_ok "the installation completes" \
    drive wait-text "$MAIN_TITLE" 1011 "The installation is completed." 60000
  check_installed "RX-46 Series" LPT2:
  screenshot ports_parallel_done
  end_program "the window is closed"
fi
