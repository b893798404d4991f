#!/usr/bin/env bash
# Installs what is missing, builds the targets and runs every test:
#  - the unit and scenario tests against the simulated Windows machine,
#    plain, under AddressSanitizer + UndefinedBehaviorSanitizer, and the
#    threaded parts under ThreadSanitizer;
#  - the Windows executable's end-to-end tests under Wine: the shipped
#    32-bit program on 32-bit and on 64-bit Windows where this host runs
#    32-bit programs, the 64-bit build on 64-bit Windows where it does not;
#  - a short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

scripts/install-deps.sh

passed=0
failed=0
skipped=0
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
if tests/check_includes_test.sh && python3 scripts/check-includes.py; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

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

# Checks of a Windows build: the program is a GUI executable of the
# build's architecture, and what ships carries no debug sections, only a link
# to the file beside it that keeps them.
check_windows_build() {  # build-dir "file(1) type" objdump
  local dir=$1 type=$2 objdump=$3 exe=$1/DriverSetup.exe shipped sections kept unstripped=""
  if file "$exe" | grep -q "$type"; then
    passed=$((passed + 1))
  else
    echo "FAIL: $exe is not a $type: $(file "$exe")"
    failed=$((failed + 1))
  fi
  for shipped in "$exe" "$dir/tools/sevenzip32/7-zip32.dll"; do
    sections=$("$objdump" -h "$shipped" 2>&1) || sections=""
    kept=$("$objdump" -h "$shipped.debug" 2>&1) || kept=""
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
}

# Runs the Wine scenarios of one variant and adds their counts.
run_wine() {  # build-dir variant [scenario...]
  local results="$1/wine-results-$2"
  tests/wine/run.sh "$@" || true
  passed=$((passed + $(cat "$results/passed" 2>/dev/null || echo 0)))
  failed=$((failed + $(cat "$results/failed" 2>/dev/null || echo 1)))
}

# The program that ships is the 32-bit one: it is built and checked on every
# host. Its scenarios need a host that runs 32-bit programs; elsewhere the
# 64-bit build of the same sources runs them in a 64-bit prefix.
echo "== windows (MinGW-w64, i686)"
build windows
check_windows_build build/windows "PE32 executable (GUI) Intel 80386" i686-w64-mingw32-objdump

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
check_shipped_imports() {  # build-dir objdump
  if check_imports "$2" "$1/DriverSetup.exe" && check_imports "$2" "$1/tools/sevenzip32/7-zip32.dll"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
}
check_shipped_imports build/windows i686-w64-mingw32-objdump

if tests/wine/host_runs_32bit.sh; then
  echo "== end-to-end under Wine: the 32-bit program on 32-bit Windows"
  run_wine build/windows win32
  echo "== end-to-end under Wine: the 32-bit program on 64-bit Windows (WOW64)"
  run_wine build/windows wow64 receipt_install_uninstall install_label unattended_quiet_uninstall
else
  echo "SKIPPED: the 32-bit program's scenarios under Wine: this host cannot run 32-bit programs (Exec format error from Wine's 32-bit loader)"
  skipped=$((skipped + 1))
  echo "== windows-x64 (MinGW-w64, x86_64)"
  build windows-x64
  check_windows_build build/windows-x64 "PE32+ executable (GUI) x86-64" x86_64-w64-mingw32-objdump
  check_shipped_imports build/windows-x64 x86_64-w64-mingw32-objdump
  echo "== end-to-end under Wine: the 64-bit program on 64-bit Windows"
  run_wine build/windows-x64 win64
fi

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzzers (short run)"
  if scripts/fuzz.sh 20; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
fi

echo
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
