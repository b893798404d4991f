# A label install whose monitor DLL the spooler refuses (a DLL without the
# monitor entry points): "Failed to add Monitor" is the application-wide
# box, owned by the main window, which takes no input while it is up; its
# OK ends the program with nothing registered.
scenario_begin install_label_monitor_refused
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

install_customise() {  # package-folder
  find "$1" -iname 'lbxmon*.dll' -exec cp "$SEVENZIP" {} \;
}

if install_prepare; then
  start_setup
  install_click "LX-3(Label)" 2
  if check_ok "the application box is up" drive wait-window DriverSetup 30000; then
    screenshot install_label_monitor_refused
    check_eq "its owner is the main window, disabled" "$MAIN_TITLE"$'\t'"disabled" \
      "$(drive owner DriverSetup)"
    check_ok "OK clicked" drive click DriverSetup 1
  fi
  check_ok "the program ends" wait_installer_exit 20000
  check_lacks_line "no monitor registered" "Advanced Language Monitor" "$(drive monitors)"
fi
