# A fresh machine with one USB port: the main window comes up, the start-up
# worker finishes with the USB row chosen and the environment line shown,
# and Cancel ends the program.
scenario_begin startup_usb
add_port USB001
start_installer

check_ok "the main window appears" drive wait-window "$MAIN_TITLE" 30000
# While the worker runs, Install may only be enabled once the environment
# line is there (read in this order, the check cannot race the worker).
environment_line="Current Systems is Microsoft Windows 7  $WINDOWS_BITS"
early_enable=0
for _ in $(seq 40); do
  enabled=$(drive enabled "$MAIN_TITLE" 1012)
  status=$(drive text "$MAIN_TITLE" 1011)
  if [ "$enabled" = 1 ]; then
    [ "$status" = "$environment_line" ] || early_enable=1
    break
  fi
  [ "$status" != "Driver install Program" ] || early_enable=1
done
check_eq "Install enabled only after the environment line; template status never shown" \
  0 "$early_enable"
check_ok "Install becomes enabled" drive wait-enabled "$MAIN_TITLE" 1012 60000
check_ok "window title" drive wait-window "$MAIN_TITLE" 0
check_eq "status line" "$environment_line" "$(drive text "$MAIN_TITLE" 1011)"
tab=$'\t'
check_eq "port-type list: four rows in order, USB selected" \
  "--${tab}Serial port${tab}The program will select a available serial port during instalation
S-${tab}USB port${tab}The program will select a available USB port automatically
--${tab}Parallel port${tab}The program will prompt you to select a parallel port before install
--${tab}TCP/IP port${tab}The program will prompt you to create a TCP/IP port or configure" \
  "$(drive list-rows "$MAIN_TITLE" 1004)"
check_eq "port-type list columns" "Port${tab}110
Description${tab}450" "$(drive list-columns "$MAIN_TITLE" 1004)"
check_eq "Set Default Printer is checked" "1" "$(drive checked "$MAIN_TITLE" 1002)"
check_eq "progress at 0" "0" "$(drive progress "$MAIN_TITLE" 1007)"
screenshot startup_usb
end_program
