// Developer self-check of the opening comic ("--test-comic", no window): its clock at several
// frame rates, bad and long steps, confirm and skip, and the comic in the menus.
#pragma once

// Prints one line per check and "N passed, N failed"; 0 when all hold.
int DevTestComic();
