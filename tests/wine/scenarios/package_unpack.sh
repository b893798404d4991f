# With our archive library beside the program, start-up unpacks the sample
# package into C:\, the driver list shows the names in file order with the
# first selected and mirrored in the Printer Name field, and closing the
# window removes C:\Ticket, C:\Barcode and C:\DriverName.cfg.
scenario_begin package_unpack
work=$(mktemp -d)
if need "$BUILDER" "$SEVENZIP" "$INSTALLER_EXE" && make_package "$work"; then
  setup_files "$work/DriverData.Drv" "$SEVENZIP"
  # A stale work area of an interrupted run is overwritten without a question.
  mkdir -p "$(unix_path 'C:\Ticket\x86')"
  echo stale >"$(unix_path 'C:\Ticket\x86\RXF01.GPD')"
  start_setup
  expected=$(tr -d '\r' <"$work/package/DriverName.cfg" | sed -n 's/^PrintName[0-9]*=//p')
  check_eq "57 names in the file" "57" "$(printf '%s\n' "$expected" | wc -l)"
  check_eq "the driver list shows the names in file order" "$expected" \
    "$(drive combo-items "$MAIN_TITLE" 1000)"
  check_eq "the first name is selected" "0" "$(drive combo-sel "$MAIN_TITLE" 1000)"
  check_eq "and mirrored in Printer Name" "$(printf '%s\n' "$expected" | head -n1)" \
    "$(drive text "$MAIN_TITLE" 1001)"
  for file in 'C:\DriverName.cfg' 'C:\Barcode\x64\LBXPBR56.DLL' 'C:\Barcode\Common\LXF5.PP0'; do
    check_ok "$file unpacked" exists_on_c "$file"
  done
  check_eq "the stale receipt file was overwritten" "placeholder Ticket/x86/RXF01.GPD" \
    "$(tr -d '\r' <"$(unix_path 'C:\Ticket\x86\RXF01.GPD')")"
  screenshot package_unpack
  end_program
  for gone in 'C:\Ticket' 'C:\Barcode' 'C:\DriverName.cfg'; do
    check_fails "$gone removed" exists_on_c "$gone"
  done
  check_ok "the package itself stays" exists_on_c 'C:\Setup\DriverData.Drv'
fi
rm -rf "$work"
