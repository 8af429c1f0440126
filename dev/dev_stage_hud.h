// Staged captures of what the HUD shows of a fight and a campaign: the hearts, the level clock,
// banner, population and rolling rows, the boss bars and markers. Each is one function over the
// hooks of dev/dev_stage.h. Pure: the layouts are the HUD's own, the drawing stays in the game.
#pragma once

#include "dev/dev_stage.h"

// "--capture-health": kicks crack the hearts, the blink after a blow, regeneration.
void DevStageHudHealth(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-campaign": level 1 from its banner and 01:30 to its gate, the population step at
// 1:00, the gate's boss, then a rolling row of level 3 with its warning arrows and gap.
void DevStageHudCampaign(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-markers": the gatherer's bar with its gold pips, two off-screen bosses' named markers.
void DevStageHudMarkers(DevStage &stage, Field &field, DevStageHook hook);
