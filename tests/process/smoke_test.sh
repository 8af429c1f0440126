#!/usr/bin/env bash
# The smoke run opens the real window, plays its script and ends with status 0 and its report.
. "$(dirname "$0")/common.sh"
exe=$1
cd "$work"
run_windowed "$exe" --smoke 90 >"$work/out" 2>&1
expect_status $? 0
expect_line "$work/out" "STARTUP: scene shader preparation"
expect_line "$work/out" "STARTUP: interior scene shader compiled/linked"
expect_line "$work/out" "STARTUP: canyon scene shader compiled/linked"
[ -s artifacts/smoke.png ] || fail "artifacts/smoke.png missing"
expect_line artifacts/smoke.txt "frames 90"
expect_line artifacts/smoke.txt "consistent 1"
expect_line artifacts/smoke.txt "status 0"
grep -q 'ERROR' "$work/out" && { cat "$work/out" >&2; fail "error lines in a clean run"; }
echo "smoke: ok"
