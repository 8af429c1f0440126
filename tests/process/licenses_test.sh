#!/usr/bin/env bash
# "--licenses" prints the three texts in order and exits 0 without any display.
. "$(dirname "$0")/common.sh"
exe=$1
env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --licenses >"$work/out" 2>"$work/err"
expect_status $? 0
order=$(grep -nxE 'licenses/raylib-LICENSE.txt|assets/fonts/Exo2-OFL.txt|assets/fonts/OFL.txt' "$work/out" | cut -d: -f2 | tr '\n' ' ')
[ "$order" = "licenses/raylib-LICENSE.txt assets/fonts/Exo2-OFL.txt assets/fonts/OFL.txt " ] || fail "order: $order"
expect_line "$work/out" "Copyright (c) 2013-2026 Ramon Santamaria"
[ "$(grep -c 'SIL OPEN FONT LICENSE' "$work/out")" -ge 2 ] || fail "both font licences expected"

# A full disk: standard output that cannot be written is a failure.
env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --licenses >/dev/full 2>"$work/err"
expect_status $? 1
# A closed standard output likewise.
env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --licenses >&- 2>"$work/err"
expect_status $? 1
echo "licenses failures: ok"
