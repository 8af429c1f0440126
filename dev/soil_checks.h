// Developer self-check of the soil deposits ("--test-soil"): runs without a window.
#pragma once

// Runs the soil checks on a soil of its own, printing one line per check and "N passed, N
// failed"; 0 when every check holds, 1 otherwise (also when the grids cannot be allocated).
int DevTestSoil();
