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
# A frame count that is not a plain number in range is refused before any window opens.
for bad in 3x 4294967297 0 -5 ""; do
  env -u DISPLAY "$exe" --smoke "$bad" >"$work/bad" 2>&1
  expect_status $? 2
  expect_line "$work/bad" "--smoke takes a frame count"
done
# Artifacts that cannot be written fail the run.
mkdir "$work/blocked" && cd "$work/blocked" && : > artifacts
run_windowed "$exe" --smoke 2 >"$work/blocked.out" 2>&1
expect_status $? 1
echo "smoke: ok"
