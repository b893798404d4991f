# With our archive library beside the program, start-up unpacks the sample
# package into C:\, the driver list shows the names in file order with the
# first selected and mirrored in the Printer Name field, and closing the
# window removes C:\Ticket, C:\Barcode and C:\DriverName.cfg.
scenario_begin package_unpack
source "$(dirname "${BASH_SOURCE[0]}")/package_common.bash"

if package_tools_ready; then
  work=$(mktemp -d)
  package_build_sample "$work" || fail "the sample package is built"
  put_file "$INSTALLER_EXE" 'C:\Setup\DriverSetup.exe'
  put_file "$PACKAGE_SEVENZIP" 'C:\Setup\7-zip32.dll'
  put_file "$work/DriverData.Drv" 'C:\Setup\DriverData.Drv'
  # A stale work area of an interrupted run is overwritten without a question.
  mkdir -p "$(unix_path 'C:\Ticket\x86')"
  echo stale >"$(unix_path 'C:\Ticket\x86\RXF01.GPD')"
  start_setup
  expected=$(package_names "$work/package/DriverName.cfg")
  check_eq "57 names in the file" "57" "$(printf '%s\n' "$expected" | wc -l)"
  check_eq "the driver list shows the names in file order" "$expected" \
    "$(drive combo-items "$MAIN_TITLE" 1000)"
  check_eq "the first name is selected" "0" "$(drive combo-sel "$MAIN_TITLE" 1000)"
  check_eq "and mirrored in Printer Name" "$(printf '%s\n' "$expected" | head -n1)" \
    "$(drive text "$MAIN_TITLE" 1001)"
  check_ok "C:\\DriverName.cfg unpacked" exists_on_c 'C:\DriverName.cfg'
  check_ok "a label engine file unpacked" exists_on_c 'C:\Barcode\x64\LBXPBR56.DLL'
  check_ok "a label model file unpacked" exists_on_c 'C:\Barcode\Common\LXF5.PP0'
  check_eq "the stale receipt file was overwritten" "placeholder Ticket/x86/RXF01.GPD" \
    "$(tr -d '\r' <"$(unix_path 'C:\Ticket\x86\RXF01.GPD')")"
  screenshot package_unpack

  check_ok "Cancel clicked" drive click "$MAIN_TITLE" 2
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
  check_fails "C:\\Ticket removed" exists_on_c 'C:\Ticket'
  check_fails "C:\\Barcode removed" exists_on_c 'C:\Barcode'
  check_fails "C:\\DriverName.cfg removed" exists_on_c 'C:\DriverName.cfg'
  check_ok "the package itself stays" exists_on_c 'C:\Setup\DriverData.Drv'
  rm -rf "$work"
fi
