# A receipt printer installed on the single parallel port under a display
# name of its model, then uninstalled.
#  - Install: the spooler lists the printer with the model's driver, whose
#    files are in the driver folder's version folder, only the plug-in pair
#    staying beside it; the Device value names the printer.
#  - Uninstall: the window lists the printer under the display name (not the
#    model's, which no printer has); removing it leaves the spooler without
#    the printer and the driver, the list shows the placeholder row with
#    "&Uninstall driver" disabled, and the printer's entries in the clean-up
#    keys go while their neighbours stay.
#  - Closing removes the work folders.
scenario_begin receipt_install_uninstall
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

MODEL="RX-46 Series"
PRINTER="Till Receipt"
DIALOG="Uninstall printer driver dialog"
WIZARD_KEY='Software\Microsoft\Windows\CurrentVersion\Explorer\PhotoPrintingWizard'
PROFILE_KEY='SYSTEM\ControlSet001\Hardware Profiles\0001\System\CurrentControlSet\Control\Print\Printers'

# The display name is a second name in the model's section of the list file.
install_customise() {  # package-folder
  sed -i "s/^PrintName1=$MODEL\r\$/&\nPrintName2=$PRINTER\r/" "$1/DriverName.cfg"
  grep -q "^PrintName2=$PRINTER" "$1/DriverName.cfg"
}

# Entries under two of the clean-up keys, for the printer and a neighbour.
make_entries() {
  reg_set HKCU "$WIZARD_KEY\\$PRINTER" Layout sz x &&
    reg_set HKCU "$WIZARD_KEY\\$PRINTER\\Recent" Size dword 1 &&
    reg_set HKCU "$WIZARD_KEY\\Other Printer" Layout sz kept &&
    reg_set HKLM "$PROFILE_KEY\\$PRINTER" Resolution dword 200 &&
    reg_set HKLM "$PROFILE_KEY\\Other Printer" Resolution dword 300
}

wait_progress_100() {
  for _ in $(seq 600); do
    [ "$(drive progress "$DIALOG" 1046)" = 100 ] && return 0
    sleep 0.1
  done
  return 1
}

if install_prepare && install_run "$PRINTER" receipt_installed; then
  check_installed "$PRINTER" LPT1: "$MODEL"
  check_driver_files $'OEMPLUG.dll\nOEMPLUG.ini' RXF46.GPD RXG05.DLL OEMPLUG.ini OEMPLUG.dll \
    uniDRV.DLL uniDRVui.DLL uniDRV.HLP ttfsub.GPD unires.DLL stdnames.GPD
  check_ok "entries are made in two clean-up keys" make_entries

  check_ok "Uninstall Printer Driver clicked" drive post-click "$MAIN_TITLE" 1044
  check_ok "the uninstall window appears" drive wait-window "$DIALOG" 30000
  rows=$(drive list-rows "$DIALOG" 1004)
  names=$(cut -f2- <<<"$rows")
  check_has_line "the printer is listed" "$PRINTER" "$names"
  check_lacks_line "the model's own name is not" "$MODEL" "$names"
  check_eq "the first row is selected" "S" "$(head -n1 <<<"$rows" | cut -c1)"
  check_eq "the list's column" "Driver name${TAB}500" "$(drive list-columns "$DIALOG" 1004)"
  screenshot uninstall_before

  row=$(grep -nxF -- "$PRINTER" <<<"$names" | cut -d: -f1)
  check_ok "the printer's row is picked" drive list-select "$DIALOG" 1004 $((${row:-1} - 1))
  check_ok "Uninstall driver clicked" drive post-click "$DIALOG" 1045
  check_ok "the removal runs to 100" wait_progress_100

  check_lacks_line "the spooler has no such printer" "$PRINTER" "$(drive printers | cut -f1)"
  check_lacks_line "the model's driver is removed" "$MODEL" "$(drive drivers "$DRIVER_ENV")"
  rows=$(drive list-rows "$DIALOG" 1004)
  if [ "$(wc -l <<<"$rows")" -eq 1 ]; then
    check_eq "the placeholder row is shown" \
      "S-${TAB}The computer have no printer drivers avaliable!!" "$rows"
    check_eq "Uninstall driver is disabled" "0" "$(drive enabled "$DIALOG" 1045)"
  else
    # Printers that Wine took over from the host stay listed.
    check_lacks_line "the printer's row is gone" "$PRINTER" "$(cut -f2- <<<"$rows")"
  fi
  check_fails "the printer's wizard entry is removed" \
    reg_value HKCU "$WIZARD_KEY\\$PRINTER" Layout
  check_fails "with its sub-keys" reg_value HKCU "$WIZARD_KEY\\$PRINTER\\Recent" Size
  check_eq "the neighbour's wizard entry stays" "kept" \
    "$(reg_value HKCU "$WIZARD_KEY\\Other Printer" Layout)"
  check_fails "the printer's hardware-profile entry is removed" \
    reg_value HKLM "$PROFILE_KEY\\$PRINTER" Resolution
  check_eq "the neighbour's hardware-profile entry stays" "300" \
    "$(reg_value HKLM "$PROFILE_KEY\\Other Printer" Resolution)"
  screenshot uninstall_after
  check_ok "the uninstall window is closed" drive close "$DIALOG"
  check_ok "the uninstall window goes" drive wait-gone "$DIALOG" 10000
fi
end_program "the main window is closed"
check_fails "the work folders are removed" exists_on_c 'C:\Ticket'
