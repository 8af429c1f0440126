// Developer mode of the replays, without a window.
#pragma once

// "--test-replay": a bot session of seed 10 recorded at 1/60 s until it wins, written to
// artifacts/replay-bot-seed10.replay and read back; played back at 1/60 s every hash must match;
// the same snapshots resampled to 1/30 and 1/144 s are played too and their campaign events
// listed beside the recording's (gates on the same frame of game time are checked, the rest is
// reported). One line per named check and "N passed, N failed"; 0 when all hold.
int DevTestReplay();
