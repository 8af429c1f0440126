#!/usr/bin/env bash
# Through the real screens: main menu, the opening comic skipped, play, pause and continue, pause, back to the main menu
# through its dialog, then quit through its dialog; the exit fade ends the run with status 0.
. "$(dirname "$0")/common.sh"
exe=$1
cd "$work"
run_windowed "$exe" --smoke flow >"$work/out" 2>&1
expect_status $? 0
trace=artifacts/smoke-flow-screens.txt
[ -s artifacts/smoke-flow.png ] || fail "artifacts/smoke-flow.png missing"
expect_line artifacts/smoke-flow.txt "consistent 1"
# Screen numbers: 0 main menu, 4 pause, 5 playing, 6 the opening comic; dialogs 2 quit, 3 back to
# the main menu.
sequence=$(awk '{ printf "%s/%s/%s ", $4, $6, $12 }' "$trace")
expected="0/0/0 6/0/0 5/0/0 4/0/0 5/0/0 4/0/0 4/3/0 0/0/0 0/2/0 0/2/1 "
[ "$sequence" = "$expected" ] || { cat "$trace" >&2; fail "screens: $sequence"; }
grep -q 'ERROR' "$work/out" && { cat "$work/out" >&2; fail "error lines in a clean run"; }
echo "smoke flow: ok"
