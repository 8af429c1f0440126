#!/usr/bin/env bash
# Staged captures played through the real menus: menu frames have no picture hook of their own,
# so their pictures are drawn again offscreen once the frame is over. The shop's purchases and
# refusals, and the interface cues of a pass through the screens with their offline render.
. "$(dirname "$0")/common.sh"
exe=$1
cd "$work"
run_windowed "$exe" --capture-shop >"$work/shop.out" 2>&1
expect_status $? 0
report=artifacts/capture-shop.txt
for shot in shop-1-wallet shop-2-bought-out shop-3-refused shop-4-states shop-5-next-run capture-shop; do
  [ -s "artifacts/$shot.png" ] || fail "artifacts/$shot.png missing"
done
expect_line "$report" "consistent 1"
expect_line "$report" "wallet 2251, spent 2211, left 40; cards: 5 affordable, 3 too dear, 1 bought out"
grep -Eq '^promises [1-9][0-9]* broken 0$' "$report" || { cat "$report" >&2; fail "broken promises"; }
grep -q '^FAIL' "$report" && { cat "$report" >&2; fail "a FAIL line in the report"; }
# Pictures of the shop and of the run that follows are not the same picture.
cmp -s artifacts/shop-4-states.png artifacts/shop-5-next-run.png && fail "the shop and the run pictured alike"

run_windowed "$exe" --capture-audio-ui >"$work/audio.out" 2>&1
expect_status $? 0
report=artifacts/capture-audio-ui.txt
grep -Eq '^promises [1-9][0-9]* broken 0$' "$report" || { cat "$report" >&2; fail "broken promises"; }
# The WAV holds the frames the report names: a 44-byte header and 4 bytes per stereo frame.
frames=$(sed -n 's/^offline render: \([0-9]*\) frames.*/\1/p' "$report")
[ -n "$frames" ] || { cat "$report" >&2; fail "no offline render in the report"; }
size=$(stat -c %s artifacts/capture-audio-ui.wav)
[ "$size" = $((44 + 4 * frames)) ] || fail "capture-audio-ui.wav has $size bytes for $frames frames"

# A menu frame's picture that cannot be written (a directory stands in its place) fails the run.
mkdir -p "$work/blocked/artifacts/shop-3-refused.png" && cd "$work/blocked"
run_windowed "$exe" --capture-shop >"$work/blocked.out" 2>&1
expect_status $? 1
expect_line "$work/blocked.out" "DEV: could not write artifacts/shop-3-refused.png"
echo "capture menus: ok"
