#!/usr/bin/env bash
# Without a display the game ends with status 1 and says why in one error line.
. "$(dirname "$0")/common.sh"
exe=$1
env -u DISPLAY -u WAYLAND_DISPLAY "$exe" >"$work/out" 2>&1
expect_status $? 1
expect_line "$work/out" "ERROR: STARTUP: the window could not be created"
[ "$(grep -c 'ERROR: STARTUP' "$work/out")" = 1 ] || fail "exactly one start-up error line expected"
echo "no display: ok"
