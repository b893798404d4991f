# Functions for the scenarios under Wine, sourced by run.sh, by bench.sh and,
# in a bash of its own, before each scenario, with TEST_BUILD_DIR (the Windows
# build, absolute), WINE_RESULTS, WINE_TEMPLATE (the prefix every scenario
# copies) and DISPLAY set. A scenario calls scenario_begin, then lays out the
# machine, drives and checks the installer; run.sh calls scenario_end.
#
# WINE_VARIANT says which program runs on which Windows, and so what the
# installer must show and leave behind:
#   win32  the shipped 32-bit build on 32-bit Windows (a 32-bit prefix);
#   wow64  the shipped 32-bit build on 64-bit Windows (a 64-bit prefix, the
#          program under WOW64): what most tills run;
#   win64  the 64-bit build on 64-bit Windows, through wine64 itself, for
#          hosts that cannot run 32-bit programs.
# Both 64-bit variants see 64-bit Windows: "Windows x64", the x64 folders,
# the 64-bit label engine and the monitor in the Windows folder's SysWOW64.
export WINE_VARIANT=${WINE_VARIANT:-win32}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=wine
unset WINELOADER
case $WINE_VARIANT in
  win32)
    export WINEARCH=win32
    WINDOWS_BITS="32 bit" DRIVER_ENV="Windows NT x86" LABEL_ENGINE=50
    DRIVER_FOLDER='C:\windows\system32\spool\drivers\w32x86'
    MONITOR_DLL_PATH='C:\windows\system32\lbxmonNT.dll'
    ;;
  wow64 | win64)
    export WINEARCH=win64
    # The wine launcher picks the 32-bit loader whenever it is installed,
    # runnable or not: a 64-bit program is started by wine64 itself.
    if [ "$WINE_VARIANT" = win64 ]; then
      WINE=/usr/lib/wine/wine64
      export WINELOADER=$WINE
    fi
    WINDOWS_BITS="64 bit" DRIVER_ENV="Windows x64" LABEL_ENGINE=56
    DRIVER_FOLDER='C:\windows\system32\spool\drivers\x64'
    MONITOR_DLL_PATH='C:\windows\SysWOW64\lbxmon64.dll'
    ;;
  *)
    printf 'unknown WINE_VARIANT %s\n' "$WINE_VARIANT" >&2
    return 2 2>/dev/null || exit 2
    ;;
esac

# The native build (NATIVE_BUILD_DIR, by default build/linux of the source
# tree) gives the package builder and the printer simulator.
SOURCE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
NATIVE=${NATIVE_BUILD_DIR:-$SOURCE_ROOT/build/linux}
BUILDER=$NATIVE/tools/package_builder/package_builder
PRINTER_SIM=$NATIVE/tools/serial_printer_sim/serial_printer_sim
INSTALLER_EXE=$TEST_BUILD_DIR/DriverSetup.exe
WINE_TESTS=$TEST_BUILD_DIR/tests/wine
WINE_DRIVER=$WINE_TESTS/wine_driver.exe
SEVENZIP=$TEST_BUILD_DIR/tools/sevenzip32/7-zip32.dll
SEVENZIP_CHECK=$TEST_BUILD_DIR/tools/sevenzip32/sevenzip32_check.exe
MONITOR_DLL=$WINE_TESTS/monitor/lbxmonNT.dll
STEPS_EXE=$TEST_BUILD_DIR/bench/driver_setup_steps.exe
BENCH_PROGRAMS=$TEST_BUILD_DIR/bench
MAIN_TITLE="Configure & Install"
COMPLETED="The installation is completed."
PORTS_KEY='Software\Microsoft\Windows NT\CurrentVersion\Ports'
WINDOWS_KEY='Software\Microsoft\Windows NT\CurrentVersion\Windows'
SERIALCOMM='HARDWARE\DEVICEMAP\SERIALCOMM'
TAB=$'\t'

log() { printf '%s\n' "$*" >&2; }

# One virtual screen for a whole run, for hosts without a display.
XVFB_PID=""
start_xvfb() {
  local display_file
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
  [ "$DISPLAY" != ":" ]
}
stop_xvfb() { [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null; XVFB_PID=""; }

make_template_prefix() {  # dir
  rm -rf "$1"
  WINEPREFIX="$1" timeout 180 "$WINE" wineboot --init >/dev/null 2>&1
  WINEPREFIX="$1" timeout 60 wineserver -w
  [ -f "$1/system.reg" ]
}

SCENARIO_FAILURES=0
INSTALLER_PID=""
scenario_begin() {  # name
  export WINEPREFIX="$WINE_RESULTS/prefixes/$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINE_RESULTS/prefixes"
  cp -a "$WINE_TEMPLATE" "$WINEPREFIX"
  log "== $1"
}
scenario_end() {
  [ -z "$INSTALLER_PID" ] || kill "$INSTALLER_PID" 2>/dev/null
  timeout 30 wineserver -k 2>/dev/null
  timeout 30 wineserver -w 2>/dev/null
  rm -rf "$WINEPREFIX"
  [ "$SCENARIO_FAILURES" -eq 0 ]
}

# The Unix path of a Windows path on the prefix's C: drive.
unix_path() {  # 'C:\dir\file'
  local rest=${1#[Cc]:}
  printf '%s\n' "$WINEPREFIX/drive_c${rest//\\//}"
}

# Whether a Windows path exists on C:, each part matched without regard to
# case as Windows does (Wine's own folders are lower-case).
exists_on_c() {  # 'C:\dir\file'
  local dir="$WINEPREFIX/drive_c" part parts
  IFS='\' read -ra parts <<<"${1#[Cc]:}"
  for part in "${parts[@]}"; do
    [ -z "$part" ] || dir=$(find "$dir" -mindepth 1 -maxdepth 1 -iname "$part" -print -quit 2>/dev/null)
    [ -n "$dir" ] || return 1
  done
}

put_file() {  # source 'C:\dir\file'
  local target
  target=$(unix_path "$2")
  mkdir -p "$(dirname "$target")" && cp "$1" "$target"
}

# Runs one command of the window driver (wine_driver.cpp); prints its output
# without carriage returns; returns its exit code (2: a wait timed out).
drive() {
  local out rc
  out=$(timeout 90 "$WINE" "$WINE_DRIVER" "$@" 2>/dev/null)
  rc=$?
  [ -z "$out" ] || printf '%s\n' "${out//$'\r'/}"
  return $rc
}

# The registry through Wine's reg.exe, the one of the installer's bitness:
# under WOW64 a 32-bit program's HKLM\Software is the 32-bit view. ROOT is
# HKLM or HKCU.
WINE_REG=reg
[ "$WINE_VARIANT" != wow64 ] || WINE_REG='C:\windows\syswow64\reg.exe'
wine_reg() { timeout 60 "$WINE" "$WINE_REG" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
reg_set() {  # root path name sz|dword data
  wine_reg add "$1\\$2" /v "$3" /t "$([ "$4" = dword ] && echo REG_DWORD || echo REG_SZ)" \
    /d "$5" /f >/dev/null
}
reg_delete() { wine_reg delete "$1\\$2" /v "$3" /f >/dev/null; }  # root path name
# A key's values, name TAB data (a REG_DWORD in hexadecimal) a line.
reg_list() {  # root path [name]
  wine_reg query "$1\\$2" ${3:+/v "$3"} | sed -n 's/^    \(.*\)    REG_[A-Z_]*    \(.*\)$/\1\t\2/p'
}
# One value: a REG_SZ as text, a REG_DWORD in decimal; fails when missing.
reg_value() {  # root path name
  local data
  data=$(reg_list "$@") && [ -n "$data" ] || return 1
  data=${data#*$'\t'}
  [[ $data == 0x* ]] && data=$((data))
  printf '%s\n' "$data"
}

# Wine's local port monitor lists the value names of the Ports key.
add_port() { reg_set HKLM "$PORTS_KEY" "$1" sz ""; }
remove_port() { reg_delete HKLM "$PORTS_KEY" "$1"; }

need() {  # file...
  local file missing=0
  for file; do
    [ -e "$file" ] || { fail "missing $file (build the linux and windows presets)"; missing=1; }
  done
  return $missing
}

# Builds the sample package into DIR/DriverData.Drv; a function given as
# CUSTOMISE may change the package folder first.
make_package() {  # dir [customise [sample options...]]
  local dir=$1 customise=${2:-}
  shift $(($# < 2 ? $# : 2))
  "$BUILDER" sample "$dir/package" "$@" >/dev/null &&
    { [ -z "$customise" ] || "$customise" "$dir/package"; } &&
    "$BUILDER" build "$dir/package" -o "$dir/DriverData.Drv" >/dev/null ||
    { fail "the package is built"; return 1; }
}

# The installer in C:\Setup with the package and, when given, an archive
# library.
setup_files() {  # package [library]
  put_file "$INSTALLER_EXE" 'C:\Setup\DriverSetup.exe'
  put_file "$1" 'C:\Setup\DriverData.Drv'
  [ -z "${2:-}" ] || put_file "$2" 'C:\Setup\7-zip32.dll'
}

# Maps COM ports to pseudo-terminal pairs (the installer's end WORK/comN, the
# far end WORK/farN) and leaves only them in SERIALCOMM. Wine lists them once
# its server starts again; the server then keeps running so that the
# trimmed list stays until the installer reads it.
SERIAL_PIDS=()
serial_ports() {  # work-dir number...
  local work=$1 n name
  shift
  for n; do
    socat pty,raw,echo=0,link="$work/com$n" pty,raw,echo=0,link="$work/far$n" 2>/dev/null &
    SERIAL_PIDS+=($!)
  done
  for n; do
    for _ in $(seq 100); do [ -e "$work/com$n" ] && [ -e "$work/far$n" ] && break; sleep 0.05; done
    reg_set HKLM 'Software\Wine\Ports' "COM$n" sz "$(readlink -f "$work/com$n")"
  done
  timeout 30 wineserver -k 2>/dev/null
  timeout 30 wineserver -w 2>/dev/null
  wineserver -p >/dev/null 2>&1
  while IFS=$'\t' read -r name device; do
    [[ " $* " == *" ${device#COM} "* ]] || reg_delete HKLM "$SERIALCOMM" "$name"
  done < <(reg_list HKLM "$SERIALCOMM")
}
serial_stop() { kill "${SERIAL_PIDS[@]}" 2>/dev/null; wait "${SERIAL_PIDS[@]}" 2>/dev/null; }

# Starts the installer in the background, in its own folder.
start_installer() {  # [exe]
  local exe=${1:-$INSTALLER_EXE}
  (cd "$(dirname "$exe")" && exec "$WINE" "$exe" >/dev/null 2>&1) &
  INSTALLER_PID=$!
}
installer_running() { kill -0 "$INSTALLER_PID" 2>/dev/null; }
wait_installer_exit() {  # milliseconds
  for _ in $(seq $(($1 / 100))); do
    installer_running || { wait "$INSTALLER_PID" 2>/dev/null; return 0; }
    sleep 0.1
  done
  return 1
}

# Starts the installer of C:\Setup (setup_files) and waits for the end of its
# start-up (Install enabled).
start_setup() {  # [exe-name]
  start_installer "$(unix_path "C:\\Setup\\${1:-DriverSetup.exe}")"
  check_ok "the main window appears" drive wait-window "$MAIN_TITLE" 30000
  check_ok "Install becomes enabled" drive wait-enabled "$MAIN_TITLE" 1012 60000
}

# Picks a driver name and a row of the port-kind list, clicks Install.
PORT_KIND_ROWS=(serial USB parallel TCP/IP)
install_click() {  # driver-name row
  check_ok "the driver name is chosen" drive combo-select "$MAIN_TITLE" 1000 "$1"
  check_ok "the ${PORT_KIND_ROWS[$2]} row is chosen" drive list-select "$MAIN_TITLE" 1004 "$2"
  check_ok "Install clicked" drive post-click "$MAIN_TITLE" 1012
}

# Clicks a button of the main window (default: Cancel); the program must end.
end_program() {  # [description] [control]
  check_ok "${1:-Cancel clicked}" drive click "$MAIN_TITLE" "${2:-2}"
  check_ok "the program ends" wait_installer_exit 20000
}

screenshot() { import -display "$DISPLAY" -window root "$WINE_RESULTS/$1.png" 2>/dev/null; }

pass() { log "   ok   $1"; }
fail() {
  log "   FAIL $1"
  SCENARIO_FAILURES=$((SCENARIO_FAILURES + 1))
}
check_eq() {  # description expected actual
  [ "$2" == "$3" ] && { pass "$1"; return; }
  fail "$1"
  log "        expected: $(printf '%q' "$2")" "$(printf '\n        actual:   %q' "$3")"
}
check_ok() {  # description command...
  local rc=0
  "${@:2}" >/dev/null || rc=$?
  if [ $rc -eq 0 ]; then pass "$1"; else fail "$1 (exit $rc)"; fi
  return $rc
}
check_fails() {  # description command...
  if "${@:2}" >/dev/null; then fail "$1"; else pass "$1"; fi
}
# Whether HAYSTACK has (or lacks) a line equal to LINE.
check_has_line() {  # description line haystack [lacks]
  if grep -qxF -- "$2" <<<"$3"; [ $? -eq "${4:-0}" ]; then pass "$1"; return; fi
  fail "$1"
  log "        ${4:+un}expected line: $(printf '%q' "$2")" "$(printf '\n        in: %q' "$3")"
}
check_lacks_line() { check_has_line "$@" 1; }
