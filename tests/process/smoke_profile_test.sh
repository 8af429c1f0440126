#!/usr/bin/env bash
# The profile through the real screens: a first start plays, pauses, continues, dies, buys in the
# shop and quits with the exit fade; a second start loads the purchase; a third is killed with
# SIGKILL in play after the autosave has written; a fourth still loads the purchase intact.
# The data folder is a temporary one: a developer's own profile is never touched.
. "$(dirname "$0")/common.sh"
exe=$1
cd "$work"
unset LOCALAPPDATA
export XDG_DATA_HOME="$work/data" HOME="$work/home"
mkdir -p "$HOME"
profile="$XDG_DATA_HOME/Glorvent/profile.dat"
kept() { sed -n 's/^profile kept //p' "$1"; }
loaded() { sed -n 's/^profile loaded //p' "$1"; }

run_windowed "$exe" --smoke profile >"$work/out1" 2>&1
expect_status $? 0
grep -q 'ERROR' "$work/out1" && { cat "$work/out1" >&2; fail "error lines in the first start"; }
# Screens: 0 main menu, 1 shop, 4 pause, 5 playing, 6 the opening comic; dialog 2 quit.
sequence=$(awk '{ printf "%s/%s/%s/%s ", $4, $6, $10, $12 }' artifacts/smoke-profile-screens.txt)
expected="0/0/0/0 6/0/0/0 5/0/1/0 4/0/1/0 5/0/1/0 0/0/0/0 1/0/0/0 0/0/0/0 0/2/0/0 0/2/0/1 "
[ "$sequence" = "$expected" ] || { cat artifacts/smoke-profile-screens.txt >&2; fail "screens: $sequence"; }
report=artifacts/smoke-profile.txt
expect_line "$report" "profile loaded coins 0 remainder 0 levels 0,0,0,0,0,0,0,0,0 intro 0"
expect_line "$report" "profile kept coins 75 remainder 0 levels 1,0,0,0,0,0,0,0,0 intro 1"
expect_line "$report" "profile path $profile"
expect_line "$report" "consistent 1"
[ -s "$profile" ] || fail "no profile at $profile"

run_windowed "$exe" --smoke profile-check >"$work/out2" 2>&1
expect_status $? 0
[ "$(loaded artifacts/smoke-profile-check.txt)" = "$(kept "$report")" ] ||
  fail "second start loaded $(loaded artifacts/smoke-profile-check.txt)"

# The held run prints a line for every save; it is killed once two have been written.
saves() { grep -c 'DEV: profile saved' "$work/out3"; }
: >"$work/out3"
run_windowed bash -c 'echo $$ >"$0"; exec "$@"' "$work/pid" "$exe" --smoke profile-hold >"$work/out3" 2>&1 &
holder=$!
for _ in $(seq 600); do
  [ "$(saves)" -ge 2 ] && break
  kill -0 "$holder" 2>/dev/null || break
  sleep 0.1
done
[ "$(saves)" -ge 2 ] || { cat "$work/out3" >&2; fail "the held run saved less than twice"; }
kill -9 "$(cat "$work/pid")"
wait "$holder"
expect_status $? 137
tail -n 1 artifacts/smoke-profile-hold-screens.txt | grep -q 'screen 5 dialog 0 menu 0 run 1' ||
  fail "the held run was not in play when killed"
last=$(sed -n 's/.*DEV: profile saved at iteration [0-9]*: coins \([0-9]*\) .*/\1/p' "$work/out3" | tail -n 1)
# The held run is always dirty (a coin every 30 iterations), so it saves at the autosave's own
# rhythm: never twice within 2 s, 120 iterations at the 1/60 s step.
gaps=$(sed -n 's/.*DEV: profile saved at iteration \([0-9]*\):.*/\1/p' "$work/out3" |
       awk 'NR > 1 && $1 - prev < 120 { printf "%d-%d ", prev, $1 } { prev = $1 }')
[ -z "$gaps" ] || fail "saves closer than 2 s apart: $gaps"

run_windowed "$exe" --smoke profile-check >"$work/out4" 2>&1
expect_status $? 0
grep -q "PROFILE: loaded $profile\$" "$work/out4" ||
  { cat "$work/out4" >&2; fail "the killed run's profile did not load"; }
after=$(loaded artifacts/smoke-profile-check.txt)
coins=$(echo "$after" | awk '{ print $2 }')
[ "${after#* * }" = "remainder 0 levels 1,0,0,0,0,0,0,0,0 intro 1" ] || fail "after the kill: $after"
[ "$coins" -ge "$last" ] || fail "after the kill $coins coins, $last were saved"
# A data folder that cannot hold the profile: the run says so and fails.
XDG_DATA_HOME="$work/blocked" && : >"$XDG_DATA_HOME"
run_windowed "$exe" --smoke profile-check >"$work/out5" 2>&1
expect_status $? 1
expect_line "$work/out5" "Progress could not be saved: $XDG_DATA_HOME/Glorvent/profile.dat"
echo "smoke profile: ok (after the kill: $after)"
