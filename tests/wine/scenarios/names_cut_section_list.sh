# A driver-name list longer than the installer's 3000-byte section list, cut
# so that the stub of its last section name reads "Twin", the name of the
# first section: "Shop Receipt", offered in "Twin" only, still installs the
# first catalogue row's driver, not the row of the stub's position.
scenario_begin names_cut_section_list
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

install_customise() {  # package-folder
  local s list="$1/DriverName.cfg"
  # 5 bytes for "Twin", 99 names of 29 characters and one of 18: 2994 bytes,
  # so "TwinAndMore" is cut to "Twin" at the end of the buffer.
  printf '[Twin]\r\nPrintName1=Shop Receipt\r\n' >"$list"
  for s in $(seq 0 98); do printf '[Filler%03d%020d]\r\nPrintName1=F%d\r\n' "$s" 0 "$s" >>"$list"; done
  printf '[Filler%03d%09d]\r\nPrintName1=F99\r\n[TwinAndMore]\r\nPrintName1=Other\r\n' 99 0 >>"$list"
}

if install_prepare && install_run "Shop Receipt" names_cut_section_list; then
  check_has_line "the printer has the first row's driver" \
    "Shop Receipt"$'\t'"LPT1:"$'\t'"RX-01 Series" "$(drive printers)"
fi
end_program "the window is closed"
