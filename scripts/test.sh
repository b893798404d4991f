#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test:
#  - the unit and scenario tests against the simulated Windows machine,
#    plain, under AddressSanitizer + UndefinedBehaviorSanitizer, and the
#    threaded parts under ThreadSanitizer;
#  - the Windows executable's end-to-end tests under Wine;
#  - a short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

scripts/install-deps.sh

passed=0
failed=0
run_ctest() {  # build-dir [ctest args...]
  local dir=$1; shift
  local log
  log=$(mktemp)
  if (cd "$dir" && ctest --output-on-failure -j"$jobs" "$@") | tee "$log"; then :; fi
  local p f
  p=$(sed -n 's/^.*[0-9]% tests passed, \([0-9][0-9]*\) tests failed out of \([0-9][0-9]*\).*$/\2 \1/p' "$log" | tail -n1)
  if [ -z "$p" ]; then failed=$((failed + 1)); rm -f "$log"; return; fi
  set -- $p
  passed=$((passed + $1 - $2)); failed=$((failed + $2))
  rm -f "$log"
}

build() {  # preset
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
}

echo "== include structure of src/"
if python3 scripts/check-includes.py; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== formatting of the C and C++ sources"
if find src tests tools bench -name '*.cpp' -o -name '*.h' -o -name '*.c' |
  xargs clang-format --dry-run -Werror; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "== linux (simulated machine)"
build linux
run_ctest build/linux

echo "== linux with AddressSanitizer and UndefinedBehaviorSanitizer"
build linux-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/linux-asan

echo "== linux with ThreadSanitizer (threaded parts)"
cmake --preset linux-tsan >/dev/null && cmake --build --preset linux-tsan -j"$jobs" --target installer_tests
if TSAN_OPTIONS=halt_on_error=1 build/linux-tsan/installer_tests --gtest_filter="*Threads*"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== windows (MinGW-w64, i686)"
build windows
exe=build/windows/DriverSetup.exe
if file "$exe" | grep -q "PE32 executable (GUI) Intel 80386"; then
  passed=$((passed + 1))
else
  echo "FAIL: $exe is not a 32-bit GUI executable: $(file "$exe")"
  failed=$((failed + 1))
fi
# What ships carries no debug sections, only a link to the file beside it
# that keeps them.
unstripped=""
for shipped in "$exe" build/windows/tools/sevenzip32/7-zip32.dll; do
  sections=$(i686-w64-mingw32-objdump -h "$shipped" 2>&1) || sections=""
  kept=$(i686-w64-mingw32-objdump -h "$shipped.debug" 2>&1) || kept=""
  if grep -q ' \.debug_' <<<"$sections" || ! grep -q ' \.gnu_debuglink ' <<<"$sections" ||
    ! grep -q ' \.debug_info ' <<<"$kept"; then
    unstripped="$unstripped $shipped"
  fi
done
if [ -z "$unstripped" ]; then
  passed=$((passed + 1))
else
  echo "FAIL: not stripped, or without its debug file beside it:$unstripped"
  failed=$((failed + 1))
fi

# What ships may import only libraries that Windows loads from the system
# folder whatever the search order: those of the KnownDLLs list of Windows 10
# (and ntdll.dll, in every process), and the common controls, which the
# manifest takes from the side-by-side store. Any other import is looked for
# beside the program first, before a line of ours runs, so a library of that
# name in a Downloads folder or on a USB stick would run as administrator.
known_dlls="advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32
  kernel32 msctf msvcrt normaliz nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore
  shell32 shlwapi user32 wldap32 ws2_32 comctl32"
check_imports() {  # objdump-for-the-architecture pe-file
  local objdump=$1 file=$2 names dll unknown=""
  names=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: *//p' | tr 'A-Z' 'a-z' | tr -d '\r')
  if [ -z "$names" ]; then
    echo "FAIL: no import table read from $file"
    return 1
  fi
  for dll in $names; do
    case "$dll" in
      *.dll) [[ " $(echo $known_dlls) " == *" ${dll%.dll} "* ]] || unknown="$unknown $dll" ;;
      *) unknown="$unknown $dll" ;;
    esac
  done
  if [ -n "$unknown" ]; then
    echo "FAIL: $file imports libraries Windows looks for beside it:$unknown"
    return 1
  fi
}

echo "== imports of what ships (known libraries of Windows only)"
if check_imports i686-w64-mingw32-objdump "$exe" &&
  check_imports i686-w64-mingw32-objdump build/windows/tools/sevenzip32/7-zip32.dll; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "== end-to-end under Wine"
if [ -x tests/wine/run.sh ]; then
  if tests/wine/run.sh build/windows; then
    passed=$((passed + $(cat build/windows/wine-results/passed 2>/dev/null || echo 0)))
    failed=$((failed + $(cat build/windows/wine-results/failed 2>/dev/null || echo 0)))
  else
    failed=$((failed + $(cat build/windows/wine-results/failed 2>/dev/null || echo 1)))
    passed=$((passed + $(cat build/windows/wine-results/passed 2>/dev/null || echo 0)))
  fi
fi

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzzers (short run)"
  if scripts/fuzz.sh 20; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
