# Packages with entries that would leave the destination, unpacked by our
# archive library driven directly (sevenzip32_check, the installer's calls):
#  - entries with climbing, rooted and drive paths: refused, the rest
#    unpacked, both by the library alone and when the installer starts;
#  - a folder link inside the destination (C:\Check\dest\Ticket\x86 pointing
#    at the system folder, as a symbolic link of the prefix's drive, which
#    Wine reports as a reparse point): the entry that would be written
#    through it is refused, nothing lands in the system folder, the entries
#    beside it are unpacked.
scenario_begin package_refused

# Runs the library on a package in C:\Check into C:\Check\dest; prints its
# report.
unpack_check() {  # package
  put_file "$1" 'C:\Check\DriverData.Drv'
  (cd "$(unix_path 'C:\Check')" &&
    timeout 60 "$WINE" sevenzip32_check.exe 'C:\Check\DriverData.Drv' 'C:\Check\dest' 2>/dev/null |
    tr -d '\r')
}

if need "$BUILDER" "$SEVENZIP" "$SEVENZIP_CHECK" "$INSTALLER_EXE"; then
  work=$(mktemp -d)
  printf '[Safe]\r\nPrintName1=Safe Printer\r\n' >"$work/names.cfg"
  echo evil >"$work/evil.txt"
  echo gpd >"$work/gpd.txt"
  echo label >"$work/label.txt"
  "$BUILDER" rawcab "$work/hostile.Drv" 'DriverName.cfg='"$work/names.cfg" \
    '..\..\Escaped.txt='"$work/evil.txt" 'C:\Windows\Drive.txt='"$work/evil.txt" \
    '\Rooted.txt='"$work/evil.txt" 'Ticket\..\..\Climbed.txt='"$work/evil.txt" \
    'Ticket\x86\RXF01.GPD='"$work/gpd.txt" || fail "the hostile package is built"
  "$BUILDER" rawcab "$work/linked.Drv" 'Ticket\x86\LinkedAway.GPD='"$work/gpd.txt" \
    'Ticket\x64\Plain.GPD='"$work/gpd.txt" 'Barcode\Common\Label.PP0='"$work/label.txt" ||
    fail "the package for the link is built"
  put_file "$SEVENZIP_CHECK" 'C:\Check\sevenzip32_check.exe'
  put_file "$SEVENZIP" 'C:\Check\7-zip32.dll'

  out=$(unpack_check "$work/hostile.Drv")
  check_has_line "the library reports the refused entries" "result 32771" "$out"
  check_has_line "two entries unpacked, four refused" "2 extracted, 4 refused" "$out"
  check_has_line "the owner registration ended" "killed 1" "$out"
  check_ok "the safe entry is there" exists_on_c 'C:\Check\dest\Ticket\x86\RXF01.GPD'
  for escaped in 'C:\Escaped.txt' 'C:\Check\Escaped.txt' 'C:\Windows\Drive.txt' \
    'C:\Rooted.txt' 'C:\Climbed.txt' 'C:\Check\Climbed.txt'; do
    check_fails "nothing written at $escaped" exists_on_c "$escaped"
  done

  rm -rf "$(unix_path 'C:\Check\dest')"
  mkdir -p "$(unix_path 'C:\Check\dest\Ticket')"
  ln -s ../../../windows/system32 "$(unix_path 'C:\Check\dest\Ticket\x86')"
  check_ok "the link leads into the system folder" \
    test -e "$(unix_path 'C:\Check\dest\Ticket\x86\kernel32.dll')"
  out=$(unpack_check "$work/linked.Drv")
  check_has_line "the library reports a refused entry" "result 32771" "$out"
  check_has_line "two entries unpacked, one refused" "2 extracted, 1 refused" "$out"
  check_has_line "the entry behind the link is named" 'refused entry: Ticket\x86\LinkedAway.GPD' \
    "$out"
  check_fails "nothing written into the system folder" exists_on_c \
    'C:\windows\system32\LinkedAway.GPD'
  check_ok "the entry beside the link is there" exists_on_c 'C:\Check\dest\Ticket\x64\Plain.GPD'
  check_ok "the entry in a plain folder is there" exists_on_c \
    'C:\Check\dest\Barcode\Common\Label.PP0'
  check_ok "the link is left as it was" test -L "$(unix_path 'C:\Check\dest\Ticket\x86')"

  # The installer at start-up, extracting into C:\.
  setup_files "$work/hostile.Drv" "$SEVENZIP"
  start_setup
  check_eq "the safe name list was read" "Safe Printer" "$(drive combo-items "$MAIN_TITLE" 1000)"
  for escaped in 'C:\Escaped.txt' 'C:\Windows\Drive.txt' 'C:\Rooted.txt' 'C:\Climbed.txt'; do
    check_fails "nothing written at $escaped" exists_on_c "$escaped"
  done
  end_program
  rm -rf "$work"
fi
