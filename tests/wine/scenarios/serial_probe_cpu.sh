# The installer's CPU time while it probes eight serial ports on which
# nothing answers (eight ticks of 700 ms), as a share of one core; written to
# the log and to WINE_RESULTS/serial_probe_cpu.txt. The search must end with
# the Not-found text.
scenario_begin serial_probe_cpu
source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
native=${NATIVE_BUILD_DIR:-$source_root/build/linux}
builder=$native/tools/package_builder/package_builder
sevenzip=$TEST_BUILD_DIR/tools/sevenzip32/7-zip32.dll
PROMPT_TITLE="Prompt(automatically select the available serial port) "
work=$(mktemp -d)
pids=()
for n in $(seq 5 12); do
  socat pty,raw,echo=0,link="$work/com$n" pty,raw,echo=0,link="$work/far$n" 2>/dev/null &
  pids+=($!)
done
sleep 1
"$builder" sample "$work/package" >/dev/null && "$builder" build "$work/package" -o "$work/DriverData.Drv" >/dev/null
put_file "$INSTALLER_EXE" 'C:\Setup\DriverSetup.exe'
put_file "$sevenzip" 'C:\Setup\7-zip32.dll'
put_file "$work/DriverData.Drv" 'C:\Setup\DriverData.Drv'
for n in $(seq 5 12); do reg_set HKLM 'Software\Wine\Ports' COM$n sz "$(readlink -f "$work/com$n")"; done
timeout 30 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null
wineserver -p >/dev/null 2>&1
serialcomm='HARDWARE\DEVICEMAP\SERIALCOMM'
while IFS= read -r name; do
  [ -z "$name" ] && continue
  device=$(reg_value HKLM "$serialcomm" "$name")
  case "$device" in COM[5-9] | COM1[0-2]) ;; *) reg_delete HKLM "$serialcomm" "$name" ;; esac
done < <(drive reg-values HKLM "$serialcomm")
start_installer 'C:\Setup' "$(unix_path 'C:\Setup\DriverSetup.exe')"
drive wait-window "$MAIN_TITLE" 30000 >/dev/null
drive wait-enabled "$MAIN_TITLE" 1012 60000 >/dev/null
printer=$(drive combo-items "$MAIN_TITLE" 1000 | head -n1)
drive combo-select "$MAIN_TITLE" 1000 "$printer" >/dev/null
drive list-select "$MAIN_TITLE" 1004 0 >/dev/null
drive post-click "$MAIN_TITLE" 1012 >/dev/null
drive wait-window "$PROMPT_TITLE" 60000 >/dev/null
drive post-click "$PROMPT_TITLE" 1030 >/dev/null
# Measured from the first port's request to the end of the search.
for _ in $(seq 300); do
  case "$(drive text "$MAIN_TITLE" 1011)" in Checking*) break ;; esac
  sleep 0.02
done
pid=$(pgrep -x DriverSetup.exe | head -n1)
server=$(pgrep -x 'wineserver(64)?' | head -n1)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }  # user + system, in clock ticks
c0=$(cpu "$pid"); s0=$(cpu "$server"); t0=$(date +%s%N)
check_ok "the search ends" drive wait-text "$MAIN_TITLE" 2 "&Finish" 30000
c1=$(cpu "$pid"); s1=$(cpu "$server"); t1=$(date +%s%N)
case "$(drive text "$MAIN_TITLE" 1011)" in
  "Cannot select a available port"*) pass "nothing answered" ;;
  *) fail "nothing answered" ;;
esac
figure=$(awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v ns=$((t1 - t0)) -v hz="$(getconf CLK_TCK)" \
  'BEGIN { w = ns / 1e9; printf "probing 8 silent ports: %.2f s of wall time, installer %.1f %%, wineserver %.1f %% of a core", w, 100 * c / hz / w, 100 * s / hz / w }')
log "   $figure"
echo "$figure" >"$WINE_RESULTS/serial_probe_cpu.txt"
check_ok "Finish clicked" drive click "$MAIN_TITLE" 2
if wait_installer_exit 20000; then pass "the program ends"; else fail "the program ends"; fi
for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
wait "${pids[@]}" 2>/dev/null
rm -rf "$work"
