#!/usr/bin/env bash
# The smoke run opens the real window, plays its script and ends with status 0 and its report.
. "$(dirname "$0")/common.sh"
exe=$1
cd "$work"
run_windowed "$exe" --smoke 40 >"$work/out" 2>&1
expect_status $? 0
expect_line "$work/out" "STARTUP: scene shader preparation"
expect_line "$work/out" "STARTUP: interior scene shader compiled/linked"
expect_line "$work/out" "STARTUP: canyon scene shader compiled/linked"
[ -s artifacts/smoke.png ] || fail "artifacts/smoke.png missing"
expect_line artifacts/smoke.txt "frames 40"
expect_line artifacts/smoke.txt "consistent 1"
expect_line artifacts/smoke.txt "status 0"
# W is held from frame 10: the astronaut walked up the screen, away from the camera (-x, -z).
read -r _ x _ z _ < <(grep '^player ' artifacts/smoke.txt)
awk -v x="$x" -v z="$z" 'BEGIN { exit !(x < -0.3 && z < -0.3) }' || fail "the player did not walk up the screen: $x $z"
grep -q 'ERROR' "$work/out" && { cat "$work/out" >&2; fail "error lines in a clean run"; }
echo "smoke: ok"
