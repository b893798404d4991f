# A label install whose monitor DLL the spooler refuses (a DLL without the
# monitor entry points): "Failed to add Monitor" is the application-wide
# box, owned by the main window, which takes no input while it is up; its
# OK ends the program with nothing registered.
scenario_begin install_label_monitor_refused
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

install_customise() {  # package-folder
  local dll
  while IFS= read -r dll; do cp "$INSTALL_SEVENZIP" "$dll"; done \
    < <(find "$1" -iname 'lbxmon*.dll')
}

if install_prepare; then
  start_setup
  choose_driver "LX-3(Label)" 2
  check_ok "Install clicked" drive post-click "$MAIN_TITLE" 1012
  if drive wait-window DriverSetup 30000 >/dev/null; then
    pass "the application box is up"
    screenshot install_label_monitor_refused
    check_eq "its owner is the main window, disabled" "$MAIN_TITLE"$'\t'"disabled" \
      "$(drive owner DriverSetup)"
    check_ok "OK clicked" drive click DriverSetup 1
  else
    fail "the application box is up"
  fi
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
  check_lacks_line "no monitor registered" "Advanced Language Monitor" "$(drive monitors)"
fi
