# Functions for the end-to-end scenarios under Wine. Sourced by run.sh and,
# in a bash of its own, before each scenario (scenarios/*.sh).
#
# Given by run.sh: TEST_BUILD_DIR (the Windows build whose programs run,
# absolute), WINE_RESULTS (where results and screenshots go), WINE_TEMPLATE
# (a prefix made once per run), WINE (the Wine loader), WINEARCH and DISPLAY.
#
# A scenario calls scenario_begin, lays out the machine (add_port, put_file,
# reg_set ...), starts the installer, drives and checks it (drive, check_eq,
# check_ok ...) and returns; run.sh then calls scenario_end, which stops Wine,
# removes the prefix and sets the scenario's result from the failed checks.

export WINEARCH=${WINEARCH:-win32}
WINE=${WINE:-wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# What the installer sees of the prefix's Windows: a 32-bit prefix is 32-bit
# Windows; a 64-bit prefix, which runs the x86-64 build (see select_wine), is
# 64-bit Windows. The scenarios check drivers, driver folders and the
# monitor DLL's place through these.
if [ "$WINEARCH" = win64 ]; then
  WINDOWS_BITS="64 bit"
  DRIVER_ENV="Windows x64"
  DRIVER_FOLDER='C:\windows\system32\spool\drivers\x64'
  MONITOR_DLL_PATH='C:\windows\SysWOW64\lbxmon64.dll'
else
  WINDOWS_BITS="32 bit"
  DRIVER_ENV="Windows NT x86"
  DRIVER_FOLDER='C:\windows\system32\spool\drivers\w32x86'
  MONITOR_DLL_PATH='C:\windows\system32\lbxmonNT.dll'
fi

# INSTALLER_EXE may be given to run another build of the installer.
INSTALLER_EXE_GIVEN=${INSTALLER_EXE:-}
INSTALLER_EXE=${INSTALLER_EXE:-$TEST_BUILD_DIR/DriverSetup.exe}
WINE_DRIVER=$TEST_BUILD_DIR/tests/wine/wine_driver.exe
MAIN_TITLE="Configure & Install"
PORTS_KEY='Software\Microsoft\Windows NT\CurrentVersion\Ports'

# Chooses the Wine that can run the build in TEST_BUILD_DIR. The installer
# is a 32-bit program; where the kernel cannot run 32-bit programs (32-bit
# Wine does not start), the same sources are built for x86-64 beside it
# (TEST_BUILD_DIR-x64) and run by 64-bit Wine in a 64-bit prefix.
select_wine() {  # source-root
  export WINEARCH=win32 WINE=wine
  if wine --version >/dev/null 2>&1; then return 0; fi
  log "32-bit Wine cannot start here (no 32-bit support in the kernel):"
  log "using the x86-64 build of the same sources in a 64-bit prefix"
  WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
  export WINE WINEARCH=win64 WINELOADER="$WINE"
  export TEST_BUILD_DIR="$TEST_BUILD_DIR-x64"
  cmake -S "$1" -B "$TEST_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-x86_64.cmake" >/dev/null &&
    cmake --build "$TEST_BUILD_DIR" -j"$(nproc)" -- -k 0 >&2 ||
    log "the x86-64 build failed in part"
  [ -n "$INSTALLER_EXE_GIVEN" ] || INSTALLER_EXE="$TEST_BUILD_DIR/DriverSetup.exe"
  WINE_DRIVER="$TEST_BUILD_DIR/tests/wine/wine_driver.exe"
}

# One virtual screen for a whole run, for hosts without a display.
XVFB_PID=""
start_xvfb() {
  local display_file
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  if [ ! -s "$display_file" ]; then
    rm -f "$display_file"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
}
stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  XVFB_PID=""
}

SCENARIO_FAILURES=0
INSTALLER_PID=""

log() { printf '%s\n' "$*" >&2; }

# Makes the template prefix that every scenario copies.
make_template_prefix() {  # dir
  rm -rf "$1"
  WINEPREFIX="$1" timeout 180 "$WINE" wineboot --init >/dev/null 2>&1
  WINEPREFIX="$1" timeout 60 wineserver -w
  [ -f "$1/system.reg" ]
}

# A fresh copy of the template as this scenario's prefix.
scenario_begin() {  # name
  SCENARIO_NAME=$1
  export WINEPREFIX="$WINE_RESULTS/prefixes/$SCENARIO_NAME"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINE_RESULTS/prefixes"
  cp -a "$WINE_TEMPLATE" "$WINEPREFIX"
  log "== $SCENARIO_NAME"
}

scenario_end() {
  if [ -n "$INSTALLER_PID" ] && kill -0 "$INSTALLER_PID" 2>/dev/null; then
    kill "$INSTALLER_PID" 2>/dev/null || true
  fi
  timeout 30 wineserver -k 2>/dev/null || true
  timeout 30 wineserver -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  [ "$SCENARIO_FAILURES" -eq 0 ]
}

# The Unix path of a Windows path on the prefix's C: drive.
unix_path() {  # 'C:\dir\file'
  local rest=${1#[Cc]:}
  rest=${rest//\\//}
  printf '%s\n' "$WINEPREFIX/drive_c${rest}"
}

# Whether a Windows path exists on the prefix's C: drive, matching each part
# without regard to case as Windows does (Wine's own folders are lower-case:
# C:\windows\syswow64).
exists_on_c() {  # 'C:\dir\file'
  local rest=${1#[Cc]:} dir="$WINEPREFIX/drive_c" part match
  local -a parts
  IFS='\' read -ra parts <<<"$rest"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    match=$(find "$dir" -mindepth 1 -maxdepth 1 -iname "$part" -print -quit 2>/dev/null)
    [ -n "$match" ] || return 1
    dir=$match
  done
  return 0
}

put_file() {  # source 'C:\dir\file'
  local target
  target=$(unix_path "$2")
  mkdir -p "$(dirname "$target")"
  cp "$1" "$target"
}

# Runs one command of the window driver; prints its output without the
# carriage returns; returns its exit code (2: a wait timed out).
drive() {
  local out rc
  out=$(timeout 90 "$WINE" "$WINE_DRIVER" "$@" 2>/dev/null)
  rc=$?
  printf '%s' "$out" | tr -d '\r'
  [ -n "$out" ] && printf '\n'
  return $rc
}

reg_set() { drive reg-set "$@" >/dev/null; }         # root path name sz|dword data
reg_delete() { drive reg-delete "$@" >/dev/null; }   # root path name
reg_value() { drive reg-value "$@"; }                 # root path name

# Wine's local port monitor lists the value names of the Ports key.
add_port() { reg_set HKLM "$PORTS_KEY" "$1" sz ""; }
remove_port() { reg_delete HKLM "$PORTS_KEY" "$1"; }

# Starts the installer in the background with the given current directory
# (a Unix path or a C: path; default: the program's folder).
start_installer() {  # [current-directory] [exe]
  local dir=${1:-} exe=${2:-$INSTALLER_EXE}
  case "$dir" in
    [Cc]:*) dir=$(unix_path "$dir"); mkdir -p "$dir" ;;
    "") dir=$(dirname "$exe") ;;
  esac
  (cd "$dir" && exec "$WINE" "$exe" >/dev/null 2>&1) &
  INSTALLER_PID=$!
}

# Starts the installer copied to C:\Setup and waits for its start-up to end
# (Install enabled).
start_setup() {
  start_installer 'C:\Setup' "$(unix_path 'C:\Setup\DriverSetup.exe')"
  check_ok "the main window appears" drive wait-window "$MAIN_TITLE" 30000
  check_ok "Install becomes enabled" drive wait-enabled "$MAIN_TITLE" 1012 60000
}

# Picks a driver name and a row of the port-kind list.
PORT_KIND_ROWS=(serial USB parallel TCP/IP)
choose_driver() {  # driver-name row
  check_ok "the driver name is chosen" drive combo-select "$MAIN_TITLE" 1000 "$1"
  check_ok "the ${PORT_KIND_ROWS[$2]} row is chosen" drive list-select "$MAIN_TITLE" 1004 "$2"
}

# Waits until the installer's process has ended.
wait_installer_exit() {  # milliseconds
  local left=$(( ${1:-15000} / 100 ))
  while kill -0 "$INSTALLER_PID" 2>/dev/null; do
    [ "$left" -le 0 ] && return 1
    sleep 0.1
    left=$((left - 1))
  done
  wait "$INSTALLER_PID" 2>/dev/null || true
  return 0
}

installer_running() { kill -0 "$INSTALLER_PID" 2>/dev/null; }

screenshot() {  # name
  local file="$WINE_RESULTS/$1.png"
  if import -display "$DISPLAY" -window root "$file" 2>/dev/null; then
    log "   screenshot $file"
  else
    log "   (no screenshot: import failed)"
  fi
}

pass() { log "   ok   $1"; }
fail() {
  log "   FAIL $1"
  SCENARIO_FAILURES=$((SCENARIO_FAILURES + 1))
}

check_eq() {  # description expected actual
  if [ "$2" == "$3" ]; then
    pass "$1"
  else
    fail "$1"
    log "        expected: $(printf '%q' "$2")"
    log "        actual:   $(printf '%q' "$3")"
  fi
}

check_ok() {  # description command...
  local description=$1
  shift
  if "$@" >/dev/null; then pass "$description"; else fail "$description (exit $?)"; fi
}

check_fails() {  # description command...
  local description=$1
  shift
  if "$@" >/dev/null; then fail "$description"; else pass "$description"; fi
}

# Lines of `haystack` equal to `line`.
check_has_line() {  # description line haystack
  if printf '%s\n' "$3" | grep -qxF -- "$2"; then
    pass "$1"
  else
    fail "$1"
    log "        missing line: $(printf '%q' "$2")"
    log "        in: $(printf '%q' "$3")"
  fi
}

check_lacks_line() {  # description line haystack
  if printf '%s\n' "$3" | grep -qxF -- "$2"; then
    fail "$1"
    log "        unexpected line: $(printf '%q' "$2")"
  else
    pass "$1"
  fi
}
