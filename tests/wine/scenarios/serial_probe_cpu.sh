# The installer's CPU time while it probes eight serial ports on which
# nothing answers (eight ticks of 700 ms), as a share of one core; written to
# the log and to WINE_RESULTS/serial_probe_cpu.txt. The search must end with
# the Not-found text.
scenario_begin serial_probe_cpu
PROMPT_TITLE="Prompt(automatically select the available serial port) "

work=$(mktemp -d)
if need "$BUILDER" "$SEVENZIP" && make_package "$work"; then
  setup_files "$work/DriverData.Drv" "$SEVENZIP"
  serial_ports "$work" $(seq 5 12)
  start_setup
  install_click "$(drive combo-items "$MAIN_TITLE" 1000 | head -n1)" 0
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
  check_ok "nothing answered" grep -q '^Cannot select a available port' \
    <<<"$(drive text "$MAIN_TITLE" 1011)"
  figure=$(awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v ns=$((t1 - t0)) -v hz="$(getconf CLK_TCK)" \
    'BEGIN { w = ns / 1e9; printf "probing 8 silent ports: %.2f s of wall time, installer %.1f %%, wineserver %.1f %% of a core", w, 100 * c / hz / w, 100 * s / hz / w }')
  log "   $figure"
  echo "$figure" >"$WINE_RESULTS/serial_probe_cpu.txt"
  end_program "Finish clicked"
fi
serial_stop
rm -rf "$work"
