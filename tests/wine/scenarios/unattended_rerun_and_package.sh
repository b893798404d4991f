# What a roll-out repeats and where it starts the installer from:
#  - /quiet again on a till where the printer is installed as asked: exit
#    code 0, "already installed" in the log, the printer untouched (a value
#    put into its spooler key stays, which a delete and re-create would
#    wipe), and a run much shorter than the install;
#  - the program started from another folder finds the package beside
#    itself, and with /package: in a folder of its own.
scenario_begin unattended_rerun_and_package
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/unattended_common.bash"

PRINTER_KEY='System\CurrentControlSet\Control\Print\Printers\RX-46 Series'

# Runs the installer of DIR from the current folder CWD (both on C:).
run_from() {  # 'C:\dir\DriverSetup.exe' 'C:\cwd' argument...
  local exe=$1 cwd=$2 out
  shift 2
  mkdir -p "$(unix_path "$cwd")"
  out=$(cd "$(unix_path "$cwd")" && timeout 180 "$WINE" "$exe" "$@" 2>/dev/null)
  RC=$?
  CONSOLE=${out//$'\r'/}
}

elapsed_ms() { echo $((($(date +%s%N) - $1) / 1000000)); }

if install_prepare; then
  start=$(date +%s%N)
  run_setup /quiet "/driver:RX-46 Series" /port:parallel
  install_ms=$(elapsed_ms "$start")
  check_eq "the install ends with 0" "0" "$RC"
  check_ok "a value is put into the printer's key" reg_set HKLM "$PRINTER_KEY" TestMark sz kept
  before=$(drive printers | grep '^RX-46 Series')

  start=$(date +%s%N)
  run_setup /quiet "/driver:RX-46 Series" /port:parallel '/log:C:\Setup\rerun.log'
  rerun_ms=$(elapsed_ms "$start")
  check_eq "the re-run ends with 0" "0" "$RC"
  check_ok "the log says already installed" \
    grep -q '^already installed: printer "RX-46 Series" with driver "RX-46 Series" on LPT1:; nothing is changed$' \
    <<<"$(log_lines 'C:\Setup\rerun.log')"
  check_eq "the printer stays as it was" "$before" "$(drive printers | grep '^RX-46 Series')"
  check_eq "the printer's key was not made anew" "kept" "$(reg_value HKLM "$PRINTER_KEY" TestMark)"
  check_eq "no spooler restart" "0" \
    "$(log_lines 'C:\Setup\rerun.log' | grep -c '^service Spooler: stop')"
  log "   | /quiet receipt install ${install_ms} ms, already-installed re-run ${rerun_ms} ms (process start to exit, this run)"

  # The package beside the program, the program started from elsewhere.
  run_setup /quiet "/uninstall:RX-46 Series"
  check_eq "the printer is removed for the next runs" "0" "$RC"
  run_from 'C:\Setup\DriverSetup.exe' 'C:\Elsewhere' /quiet "/driver:RX-46 Series" /port:parallel \
    '/log:C:\Setup\beside.log'
  check_eq "started from another folder: 0" "0" "$RC"
  check_ok "the package beside the program was used" \
    grep -qE '^package: looked for in .*; C:\\Setup\\DriverData\.Drv, unpacked$' \
    <<<"$(log_lines 'C:\Setup\beside.log')"

  # /package: names a folder of its own.
  run_setup /quiet "/uninstall:RX-46 Series"
  mkdir -p "$(unix_path 'C:\Packages\Receipt')"
  mv "$(unix_path 'C:\Setup\DriverData.Drv')" "$(unix_path 'C:\Packages\Receipt\DriverData.Drv')"
  run_from 'C:\Setup\DriverSetup.exe' 'C:\Elsewhere' /quiet "/driver:RX-46 Series" /port:parallel \
    '/package:C:\Packages\Receipt' '/log:C:\Setup\named.log'
  check_eq "with /package: 0" "0" "$RC"
  check_ok "the named package was used" \
    grep -qE '^package: looked for in .*; C:\\Packages\\Receipt\\DriverData\.Drv, unpacked$' \
    <<<"$(log_lines 'C:\Setup\named.log')"
  check_installed "RX-46 Series" LPT1:
fi
