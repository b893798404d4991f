# Shared by the install scenarios (sourced, not a scenario of its own). Lays
# out a machine with the sample package (the language-monitor placeholder
# standing in for the monitor DLL of either bitness), the archive library and
# one parallel port, so that no port dialog is needed. A scenario may define
# install_customise, given the package folder before it is packed.
install_prepare() {
  need "$BUILDER" "$SEVENZIP" "$MONITOR_DLL" || return 1
  local work built
  work=$(mktemp -d)
  declare -F install_customise >/dev/null || install_customise() { :; }
  make_package "$work" install_customise --monitor-dll "$MONITOR_DLL" \
    --monitor-dll64 "$MONITOR_DLL" && setup_files "$work/DriverData.Drv" "$SEVENZIP"
  built=$?
  rm -rf "$work"
  remove_port LPT2:
  remove_port LPT3:
  # The default printer's key, which a fresh prefix lacks and the installer
  # only opens.
  reg_set HKCU "$WINDOWS_KEY" Device sz ""
  [ "$WINE_VARIANT" != wow64 ] || wow64_driver_standins || built=1
  return $built
}

# Under WOW64 Windows' spooler is a 64-bit service that creates a printer
# with the driver of its own environment, "Windows x64", whoever asks. Wine's
# spooler runs inside the 32-bit installer and looks the driver up in
# "Windows NT x86" only (87 otherwise): the package's driver names are
# registered there too, with a placeholder file, so that the printer's
# creation finds them as Windows would.
wow64_driver_standins() {
  local name
  echo placeholder >"$(unix_path 'C:\Setup\standin.dll')"
  for name in "RX-46 Series" "LX-3(Label)"; do
    drive add-driver "Windows NT x86" "$name" 'C:\Setup\standin.dll' ||
      { fail "$name is registered for Windows NT x86"; return 1; }
  done
}

# Installs on the parallel row and waits for the end of the run. Returns 0
# when the run completed.
install_run() {  # driver-name screenshot-name
  start_setup
  install_click "$1" 2
  drive wait-text "$MAIN_TITLE" 1011 "$COMPLETED" 60000 >/dev/null
  local completed=$?
  screenshot "$2"
  check_eq "the installation completes" "$COMPLETED" "$(drive text "$MAIN_TITLE" 1011)"
  [ $completed -eq 0 ] || return 1
  check_eq "progress at 100" "100" "$(drive progress "$MAIN_TITLE" 1007)"
  check_eq "Cancel reads &Finish" "&Finish" "$(drive text "$MAIN_TITLE" 2)"
  check_eq "Install is enabled again" "1" "$(drive enabled "$MAIN_TITLE" 1012)"
}

# What a completed install leaves: the printer on the port with its driver,
# the driver registered, the Device value naming the printer.
check_installed() {  # printer port [driver]
  local driver=${3:-$1}
  check_has_line "$1 is listed with $driver on $2" "$1$TAB$2$TAB$driver" "$(drive printers)"
  check_has_line "$driver is registered for $DRIVER_ENV" "$driver" "$(drive drivers "$DRIVER_ENV")"
  check_eq "the Device value names the printer" "$1,winspool,$2" \
    "$(reg_value HKCU "$WINDOWS_KEY" Device)"
}

# What the spooler holds in the driver folder's version folder (3), and the
# files left beside it.
check_driver_files() {  # expected-beside file...
  local drivers file
  drivers=$(unix_path "$DRIVER_FOLDER")
  check_eq "only the expected files stay beside the version folder" "$1" \
    "$(find "$drivers" -maxdepth 1 -type f -printf '%f\n' | sort)"
  shift
  for file; do
    check_ok "the spooler holds $file" test -n "$(find "$drivers/3" -maxdepth 1 -iname "$file")"
  done
}
