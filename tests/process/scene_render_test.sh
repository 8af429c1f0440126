#!/usr/bin/env bash
# The scene renderer's windowed self-check under Mesa's software renderer: fixed scenes rendered
# into small targets, pixels and depth read back. Usage: scene_render_test.sh <exe> <switch>
. "$(dirname "$0")/common.sh"
exe=$1
switch=$2
cd "$work"
run_windowed "$exe" "$switch" >"$work/out" 2>&1
status=$?
grep -E '^(ok  |FAIL) ' "$work/out"
expect_status "$status" 0
grep -q '^FAIL ' "$work/out" && fail "a scene check failed"
grep -qE '^[1-9][0-9]* passed, 0 failed$' "$work/out" || { cat "$work/out" >&2; fail "missing summary line"; }
grep -q 'ERROR' "$work/out" && { cat "$work/out" >&2; fail "error lines in the self-check"; }
echo "scene render: ok"
