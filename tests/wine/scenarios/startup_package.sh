# Start-up with our archive library and the sample package beside the
# program and one USB port. The worker enables Install only after the
# environment line, with the USB row chosen; it unpacks the package into C:\
# (over a stale work area of an interrupted run, without a question), and
# the driver list shows the names in file order, the first selected and
# mirrored in Printer Name. Cancel removes C:\Ticket, C:\Barcode and
# C:\DriverName.cfg and leaves the package.
scenario_begin startup_package
work=$(mktemp -d)
if need "$BUILDER" "$SEVENZIP" && make_package "$work"; then
  setup_files "$work/DriverData.Drv" "$SEVENZIP"
  add_port USB001
  mkdir -p "$(unix_path 'C:\Ticket\x86')"
  echo stale >"$(unix_path 'C:\Ticket\x86\RXF01.GPD')"
  start_installer "$(unix_path 'C:\Setup\DriverSetup.exe')"
  check_ok "the main window appears" drive wait-window "$MAIN_TITLE" 30000
  # Read in this order, the check cannot race the worker.
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
  check_eq "status line" "$environment_line" "$(drive text "$MAIN_TITLE" 1011)"
  check_eq "port-type list: four rows in order, USB selected" \
    "--${TAB}Serial port${TAB}The program will select a available serial port during instalation
S-${TAB}USB port${TAB}The program will select a available USB port automatically
--${TAB}Parallel port${TAB}The program will prompt you to select a parallel port before install
--${TAB}TCP/IP port${TAB}The program will prompt you to create a TCP/IP port or configure" \
    "$(drive list-rows "$MAIN_TITLE" 1004)"
  check_eq "port-type list columns" "Port${TAB}110
Description${TAB}450" "$(drive list-columns "$MAIN_TITLE" 1004)"
  check_eq "Set Default Printer is checked" "1" "$(drive checked "$MAIN_TITLE" 1002)"
  check_eq "progress at 0" "0" "$(drive progress "$MAIN_TITLE" 1007)"

  expected=$(tr -d '\r' <"$work/package/DriverName.cfg" | sed -n 's/^PrintName[0-9]*=//p')
  check_eq "57 names in the file" "57" "$(wc -l <<<"$expected")"
  check_eq "the driver list shows the names in file order" "$expected" \
    "$(drive combo-items "$MAIN_TITLE" 1000)"
  check_eq "the first name is selected" "0" "$(drive combo-sel "$MAIN_TITLE" 1000)"
  check_eq "and mirrored in Printer Name" "$(head -n1 <<<"$expected")" \
    "$(drive text "$MAIN_TITLE" 1001)"
  for file in 'C:\DriverName.cfg' 'C:\Barcode\x64\LBXPBR56.DLL' 'C:\Barcode\Common\LXF5.PP0'; do
    check_ok "$file unpacked" exists_on_c "$file"
  done
  check_eq "the stale receipt file was overwritten" "placeholder Ticket/x86/RXF01.GPD" \
    "$(tr -d '\r' <"$(unix_path 'C:\Ticket\x86\RXF01.GPD')")"
  screenshot startup_package
  end_program
  for gone in 'C:\Ticket' 'C:\Barcode' 'C:\DriverName.cfg'; do
    check_fails "$gone removed" exists_on_c "$gone"
  done
  check_ok "the package itself stays" exists_on_c 'C:\Setup\DriverData.Drv'
fi
rm -rf "$work"
