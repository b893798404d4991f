# A folder link inside the destination (C:\Check\dest\Ticket\x86 pointing at
# the system folder, as a symbolic link of the prefix's drive, which Wine
# reports as a reparse point): our archive library refuses the entry that
# would be written through it, writes nothing into the system folder and
# unpacks the entries beside it.
scenario_begin package_link
source "$(dirname "${BASH_SOURCE[0]}")/package_common.bash"

if package_tools_ready; then
  work=$(mktemp -d)
  echo gpd >"$work/gpd.txt"
  echo label >"$work/label.txt"
  "$PACKAGE_BUILDER" rawcab "$work/DriverData.Drv" \
    'Ticket\x86\LinkedAway.GPD='"$work/gpd.txt" \
    'Ticket\x64\Plain.GPD='"$work/gpd.txt" \
    'Barcode\Common\Label.PP0='"$work/label.txt" || fail "the package is built"

  put_file "$PACKAGE_CHECK" 'C:\Check\sevenzip32_check.exe'
  put_file "$PACKAGE_SEVENZIP" 'C:\Check\7-zip32.dll'
  put_file "$work/DriverData.Drv" 'C:\Check\DriverData.Drv'
  mkdir -p "$(unix_path 'C:\Check\dest\Ticket')"
  ln -s ../../../windows/system32 "$(unix_path 'C:\Check\dest\Ticket\x86')"
  check_ok "the link leads into the system folder" \
    test -e "$(unix_path 'C:\Check\dest\Ticket\x86\kernel32.dll')"

  out=$(cd "$(unix_path 'C:\Check')" &&
    timeout 60 "$WINE" sevenzip32_check.exe 'C:\Check\DriverData.Drv' 'C:\Check\dest' 2>/dev/null |
    tr -d '\r')
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
  rm -rf "$work"
fi
