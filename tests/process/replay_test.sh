#!/usr/bin/env bash
# A windowed run through the real screens records its replay; --replay plays it back through the
# real loop with every hash equal. The same file with its last hash changed reports that frame
# and ends with status 3; a file that is not a replay is refused at start-up with status 2.
. "$(dirname "$0")/common.sh"
exe=$1
cd "$work"
run_windowed "$exe" --smoke flow >"$work/record" 2>&1
expect_status $? 0
[ -s artifacts/smoke-flow.replay ] || fail "artifacts/smoke-flow.replay missing"
cp artifacts/smoke-flow.replay good.replay

run_windowed "$exe" --replay good.replay >"$work/play" 2>&1
expect_status $? 0
grep -qE '^replay: [0-9]+ frames, all [1-9][0-9]* hashes identical to the recording$' "$work/play" ||
  { cat "$work/play" >&2; fail "no matching playback line"; }

# The hashes close the file: flip the last byte of the last one (frame 240 of a 288-frame run).
cp good.replay bad.replay
size=$(stat -c %s bad.replay)
last=$(od -An -tu1 -j $((size - 1)) -N1 bad.replay | tr -d ' ')
printf "$(printf '\\%03o' $(( last ^ 1 )))" | dd of=bad.replay bs=1 seek=$((size - 1)) conv=notrunc status=none
run_windowed "$exe" --replay bad.replay >"$work/bad" 2>&1
expect_status $? 3
expect_line "$work/bad" "replay: Field differs from the recording first at frame 240"

head -c 100 /dev/urandom >junk.replay
run_windowed "$exe" --replay junk.replay >"$work/junk" 2>&1
expect_status $? 2
echo "replay: ok"
