# A package with entries that would leave the destination: our archive
# library refuses them and unpacks the rest, both when the installer starts
# and when driven directly (sevenzip32_check, the installer's calls).
scenario_begin package_hostile
source "$(dirname "${BASH_SOURCE[0]}")/package_common.bash"

if package_tools_ready; then
  work=$(mktemp -d)
  printf '[Safe]\r\nPrintName1=Safe Printer\r\n' >"$work/names.cfg"
  echo evil >"$work/evil.txt"
  echo gpd >"$work/gpd.txt"
  "$PACKAGE_BUILDER" rawcab "$work/DriverData.Drv" \
    'DriverName.cfg='"$work/names.cfg" \
    '..\..\Escaped.txt='"$work/evil.txt" \
    'C:\Windows\Drive.txt='"$work/evil.txt" \
    '\Rooted.txt='"$work/evil.txt" \
    'Ticket\..\..\Climbed.txt='"$work/evil.txt" \
    'Ticket\x86\RXF01.GPD='"$work/gpd.txt" || fail "the hostile package is built"

  # The library on its own, into a folder below C:\.
  put_file "$PACKAGE_CHECK" 'C:\Check\sevenzip32_check.exe'
  put_file "$PACKAGE_SEVENZIP" 'C:\Check\7-zip32.dll'
  put_file "$work/DriverData.Drv" 'C:\Check\DriverData.Drv'
  out=$(cd "$(unix_path 'C:\Check')" &&
    timeout 60 "$WINE" sevenzip32_check.exe 'C:\Check\DriverData.Drv' 'C:\Check\dest' 2>/dev/null |
    tr -d '\r')
  check_has_line "the library reports the refused entries" "result 32771" "$out"
  check_has_line "two entries unpacked, four refused" "2 extracted, 4 refused" "$out"
  check_has_line "the owner registration ended" "killed 1" "$out"
  check_ok "the safe entry is there" exists_on_c 'C:\Check\dest\Ticket\x86\RXF01.GPD'
  for escaped in 'C:\Escaped.txt' 'C:\Check\Escaped.txt' 'C:\Windows\Drive.txt' \
    'C:\Rooted.txt' 'C:\Climbed.txt' 'C:\Check\Climbed.txt'; do
    check_fails "nothing written at $escaped" exists_on_c "$escaped"
  done

  # The installer at start-up, extracting into C:\.
  put_file "$INSTALLER_EXE" 'C:\Setup\DriverSetup.exe'
  put_file "$PACKAGE_SEVENZIP" 'C:\Setup\7-zip32.dll'
  put_file "$work/DriverData.Drv" 'C:\Setup\DriverData.Drv'
  start_installer 'C:\Setup' "$(unix_path 'C:\Setup\DriverSetup.exe')"
  check_ok "Install becomes enabled" drive wait-enabled "$MAIN_TITLE" 1012 60000
  check_eq "the safe name list was read" "Safe Printer" "$(drive combo-items "$MAIN_TITLE" 1000)"
  for escaped in 'C:\Escaped.txt' 'C:\Windows\Drive.txt' 'C:\Rooted.txt' 'C:\Climbed.txt'; do
    check_fails "nothing written at $escaped" exists_on_c "$escaped"
  done
  check_ok "Cancel clicked" drive click "$MAIN_TITLE" 2
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
  rm -rf "$work"
fi
