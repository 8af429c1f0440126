// Ground-track self-checks without a window ("--test-tracks"): the follow rule and the stamp
// queue, painted through a recording stand-in for the GL half.
#pragma once

// Prints one line per named check and "N passed, N failed"; 0 when all hold.
int DevTestTracks();
