# The Win32 backend's calls whose outcome the installer ignores
# (backend_check.cpp).
scenario_begin backend_check
output=$(set -o pipefail; timeout 120 "$WINE" "$WINE_TESTS/backend_check.exe" 2>/dev/null | tr -d '\r')
status=$?
sed 's/^/   | /' <<<"$output" >&2
check_eq "every backend check passes" "0 failed" "$(tail -n1 <<<"$output")"
check_eq "backend_check exit code" "0" "$status"
