#!/usr/bin/env bash
# The include check against small trees: it must pass a layered tree, where
# a folder inside another is a folder of its own (the simulator above the
# services it imitates, platform/ below them), and refuse folders that reach
# each other through a third one even when no file includes another in a
# circle.
set -euo pipefail
check="$(cd "$(dirname "$0")/.." && pwd)/scripts/check-includes.py"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
fails=0
put() {  # file [included...]
  local file=$tree/$1; shift
  mkdir -p "$(dirname "$file")"
  : >"$file"
  for target in "$@"; do echo "#include \"$target\"" >>"$file"; done
}
expect() {  # what exit output-pattern
  local what=$1 want=$2 pattern=$3 out status=0
  out=$(python3 "$check" "$tree") || status=$?
  if [ "$status" != "$want" ] || ! grep -q -- "$pattern" <<<"$out"; then
    echo "FAIL: $what (exit $status, wanted $want; output:)"; echo "$out"
    fails=$((fails + 1))
  fi
}

put shell/app.cpp steps/run.h
put steps/run.cpp steps/run.h services/spool.h
put services/spool.cpp services/spool.h platform/machine.h
put platform/machine.h
put platform/sim/sim_spool.cpp platform/machine.h services/spool.h
expect "a layered tree" 0 "^ *3  shell/ -> steps/$"
expect "a folder inside another is a folder of its own" 0 "platform/sim/ -> platform/, services/$"

put services/notify.cpp services/notify.h ui/box.h
put ui/box.cpp ui/box.h steps/run.h
expect "folders that reach each other through a third" 1 "folders services/ and steps/ include each other"
if python3 "$check" "$tree" | grep -q "include circle"; then
  echo "FAIL: no file includes another in a circle, yet one was reported"
  fails=$((fails + 1))
fi

rm -rf "${tree:?}"/*
put steps/run.cpp shell/app.h
put shell/app.h
expect "a file outside shell/ that includes shell/" 1 "steps/run includes shell/app, which only shell/ may include"

[ "$fails" -eq 0 ] && echo "include check: all cases pass"
exit "$fails"
