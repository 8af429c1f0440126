#!/usr/bin/env bash
# A staged capture plays its scenes through the real loop, pictures them and reports what the
# game did: here the dash and the kick against a standing and a dodging player, whose hits come
# from the game step's contact queries. A broken promise or a picture that cannot be written
# fails the run.
. "$(dirname "$0")/common.sh"
exe=$1
cd "$work"
run_windowed "$exe" --capture-attack >"$work/out" 2>&1
expect_status $? 0
report=artifacts/capture-attack.txt
for shot in attack-1-dash-windup attack-2-dash-standing attack-3-dash-dodging attack-4-dash-recovery \
            attack-5-kick-windup attack-6-kick-standing attack-7-kick-dodging capture-attack; do
  [ -s "artifacts/$shot.png" ] || fail "artifacts/$shot.png missing"
done
expect_line "$report" "consistent 1"
expect_line "$report" "status 0"
expect_line "$report" "dash, standing: latched hit 1, quarters lost 1"
expect_line "$report" "dash, dodging: latched hit 0, quarters lost 0"
expect_line "$report" "kick, standing: latched hit 1, quarters lost 1"
expect_line "$report" "kick, dodging: latched hit 0, quarters lost 0"
grep -Eq '^promises [1-9][0-9]* broken 0$' "$report" || { cat "$report" >&2; fail "broken promises"; }
grep -q '^FAIL' "$report" && { cat "$report" >&2; fail "a FAIL line in the report"; }
grep -q 'ERROR' "$work/out" && { cat "$work/out" >&2; fail "error lines in a clean run"; }
# Only the pictured frames and the last one are drawn: the run takes far fewer drawn frames than
# it steps (about 0.3 s each on a software renderer), so it stays short.
read -r _ frames < <(grep '^frames ' "$report")
[ "$frames" -gt 300 ] || fail "the run stepped only $frames frames"
# A picture that cannot be written (a directory stands in its place) fails the run.
mkdir -p "$work/blocked/artifacts/attack-2-dash-standing.png" && cd "$work/blocked"
run_windowed "$exe" --capture-attack >"$work/blocked.out" 2>&1
expect_status $? 1
expect_line "$work/blocked.out" "DEV: could not write artifacts/attack-2-dash-standing.png"
echo "capture attack: ok"
