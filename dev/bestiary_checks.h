// Developer self-check of the encyclopedia ("--test-bestiary", no window): sightings, the
// specimens each entry shows, the five specimen meshes and the retry rule of a failed one.
#pragma once

// Prints one line per check and "N passed, N failed"; 0 when all hold.
int DevTestBestiary();
