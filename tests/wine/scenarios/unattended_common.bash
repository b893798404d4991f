# Shared by the unattended scenarios (sourced, not a scenario of its own).

# Runs the installer copied to C:\Setup with the given arguments and waits
# for it, its output captured as a deployment tool captures it; sets RC to
# its exit code (Wine passes on its low byte) and CONSOLE to its output.
run_setup() {  # argument...
  local out
  out=$(cd "$(unix_path 'C:\Setup')" && timeout 180 "$WINE" DriverSetup.exe "$@" 2>/dev/null)
  RC=$?
  CONSOLE=${out//$'\r'/}
}

# The log's lines without their time stamps and process ids.
log_lines() {  # 'C:\file'
  sed 's/^[0-9-]* [0-9:.]*  \[[0-9]*\] //' "$(unix_path "$1")" | tr -d '\r'
}

# What nothing may change: the printers with their ports and drivers, and
# the driver directory.
machine_state() {
  drive printers
  find "$(unix_path "$DRIVER_FOLDER")" -type f -printf '%P\n' | sort
}

# The names of the X windows that are mapped and viewable, one a line: what
# a person at the screen would see of the program's windows.
shown_windows() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) ".*/\1/p'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' &&
      xwininfo -id "$id" 2>/dev/null | sed -n 's/^xwininfo: Window id: [0-9a-fx]* "\(.*\)"$/\1/p'
  done
}
# Samples shown_windows every 50 ms into FILE until the flag file goes.
watch_windows() {  # file flag
  while [ -e "$2" ]; do shown_windows >>"$1"; sleep 0.05; done
}
