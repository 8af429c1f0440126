#!/usr/bin/env bash
# A build without a required asset ends start-up with status 2 and the asset's error line.
. "$(dirname "$0")/common.sh"
exe=$1
expected_line=$2
run_windowed "$exe" --smoke 5 >"$work/out" 2>&1
expect_status $? 2
expect_line "$work/out" "$expected_line"
expect_line "$work/out" "Embedded"
echo "missing asset: ok"
