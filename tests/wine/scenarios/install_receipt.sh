# A receipt install on the single parallel port (no port dialog): the run
# ends with "The installation is completed.", the spooler lists the printer
# with its driver, the driver's files are in the driver directory's version
# folder, only the plug-in pair stays beside it, and the default printer
# value names the printer.
scenario_begin install_receipt
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

PRINTER="RX-46 Series"
if install_prepare; then
  install_and_check "$PRINTER" install_receipt

  drivers=$(unix_path "$DRIVER_FOLDER")
  for file in RXF46.GPD RXG05.DLL OEMPLUG.ini OEMPLUG.dll uniDRV.DLL uniDRVui.DLL uniDRV.HLP \
    ttfsub.GPD unires.DLL stdnames.GPD; do
    check_ok "the spooler holds $file" test -n "$(find "$drivers/3" -maxdepth 1 -iname "$file")"
  done
  check_eq "only the plug-in pair stays beside the version folder" "OEMPLUG.dll
OEMPLUG.ini" "$(find "$drivers" -maxdepth 1 -type f -printf '%f\n' | sort)"

  check_ok "the window is closed" drive click "$MAIN_TITLE" 2
  if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
  check_fails "the work folders are removed" test -e "$(unix_path 'C:\Ticket')"
fi
