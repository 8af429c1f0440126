// Population director, the campaign's side: the fixed table of how many buns, walkers and golems
// each level, minute and gate wants, handed to the mudling pool, which places the creatures.
#pragma once

#include "campaign/campaign.h"

struct PopulationRow {
    int32_t buns, walkers, golems;
};

// The row for a level (clamped to 1..4), phase and clock: the minute's row in the ordinary phase
// (minute = floor(clock / 60), 0 or 1), the minute-1 row at the gates of levels 1, 2 and 4,
// 15/15/5 at the gate of level 3, nothing in victory. A non-finite clock counts as minute 0.
PopulationRow PopulationRowFor(int level, int phase, double clock);
// Stores the row of the campaign's level, phase and clock and hands it to the pool
// (MudPoolSetDirector).
void PopulationApply(Campaign &campaign, MudPool &pool);
