# /passive: the main window shows the run with the command line's choices
# filled in (screenshot mid-run), asks nothing, installs and closes itself;
# exit code 0.
scenario_begin unattended_passive
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/unattended_common.bash"

if install_prepare; then
  touch "$WINEPREFIX/watching"
  watch_windows "$WINEPREFIX/shown.txt" "$WINEPREFIX/watching" &
  (cd "$(unix_path 'C:\Setup')" &&
    exec "$WINE" DriverSetup.exe /passive "/driver:RX-46 Series" /port:parallel >/dev/null 2>&1) &
  INSTALLER_PID=$!
  check_ok "the choices are filled in" drive wait-text "$MAIN_TITLE" 1001 "RX-46 Series" 30000
  install_disabled() {
    for _ in $(seq 250); do
      [ "$(drive enabled "$MAIN_TITLE" 1012 2>/dev/null)" == 0 ] && return 0
      sleep 0.02
    done
    return 1
  }
  check_ok "the click follows: Install is disabled" install_disabled
  # The run goes on the window's thread; its progress shows when it paints.
  sleep 0.3
  screenshot unattended_passive
  check_ok "the program ends by itself" wait_installer_exit 30000
  wait "$INSTALLER_PID"
  RC=$?
  INSTALLER_PID=""
  rm -f "$WINEPREFIX/watching"
  wait
  check_eq "exit code 0" "0" "$RC"
  check_eq "only the main window was shown" "$MAIN_TITLE" "$(sort -u "$WINEPREFIX/shown.txt")"
  check_installed "RX-46 Series" LPT1:
fi
