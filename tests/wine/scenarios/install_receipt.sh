# A receipt install on the single parallel port (no port dialog): the run
# ends with "The installation is completed.", the spooler lists the printer
# with its driver, the driver's files are in the driver directory's version
# folder, only the plug-in pair stays beside it, and the default printer
# value names the printer.
scenario_begin install_receipt
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

if install_prepare; then
  install_and_check "RX-46 Series" install_receipt
  check_driver_files $'OEMPLUG.dll\nOEMPLUG.ini' RXF46.GPD RXG05.DLL OEMPLUG.ini OEMPLUG.dll \
    uniDRV.DLL uniDRVui.DLL uniDRV.HLP ttfsub.GPD unires.DLL stdnames.GPD
  end_program "the window is closed"
  check_fails "the work folders are removed" test -e "$(unix_path 'C:\Ticket')"
fi
