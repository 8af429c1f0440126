// Population director: the table and its hand-over to the pool.
#include "campaign/population.h"

#include "common/maths.h"

#include <cmath>

// Per level: the warm-up minute, then the full strength of the second minute.
static const PopulationRow POPULATION_TABLE[CAMPAIGN_LEVEL_COUNT][2] = {
    {{5, 0, 0}, {15, 5, 2}},
    {{5, 10, 2}, {10, 20, 4}},
    {{0, 0, 0}, {0, 0, 0}},
    {{5, 5, 10}, {10, 10, 20}},
};
static const PopulationRow POPULATION_ROWS_GATE = {15, 15, 5};

PopulationRow PopulationRowFor(int level, int phase, double clock)
{
    if (phase == CAMPAIGN_VICTORY) return {0, 0, 0};
    level = ClampInt(level, 1, CAMPAIGN_LEVEL_COUNT);
    if (level == CAMPAIGN_ROWS_LEVEL && phase == CAMPAIGN_GATE) return POPULATION_ROWS_GATE;
    int minute = std::isfinite(clock) && clock >= 60.0 ? 1 : 0;
    return POPULATION_TABLE[level - 1][minute];
}

void PopulationApply(Campaign &campaign, MudPool &pool)
{
    PopulationRow row = PopulationRowFor(campaign.level, campaign.phase, campaign.clock);
    campaign.targetBuns = row.buns;
    campaign.targetWalkers = row.walkers;
    campaign.targetGolems = row.golems;
    MudPoolSetDirector(pool, row.buns, row.walkers, row.golems);
}
