// Windowed self-check of the ground-track atlas on the real GL targets: marks survive window moves
// byte for byte, a print split by the window edge loses nothing, each kind of mark raises only its
// channel, and a boot print's coverage does not depend on its angle. Part of "--capture-display".
#pragma once

struct TracksCheckCounts {
    int passed, failed;
};

// Needs the open window. Prints one line per check ("ok   ..." or "FAIL ..."); the counts.
TracksCheckCounts TracksCheckWindowed();
