# The Win32 backend against this Wine: every platform interface, and an
# archive library that faults inside its extraction.
scenario_begin backend_check
put_file "$TEST_BUILD_DIR/tests/wine/backend_check.exe" 'C:\check\backend_check.exe'
put_file "$TEST_BUILD_DIR/tests/wine/faulting/7-zip32.dll" 'C:\check\7-zip32.dll'
log_file="$WINE_RESULTS/backend_check.log"
(cd "$(unix_path 'C:\check')" && timeout 120 "$WINE" backend_check.exe >"$log_file" 2>/dev/null)
status=$?
output=$(tr -d '\r' <"$log_file")
printf '%s\n' "$output" | sed 's/^/   | /' >&2
check_eq "every backend check passes" "0 failed" "$(printf '%s\n' "$output" | tail -n1)"
check_eq "backend_check exit code" "0" "$status"
