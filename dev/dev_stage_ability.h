// Staged captures of the player's weapons and bought aids: the meteor and the blade cast through
// the ability keys the bindings show, the drone and the repel bought by setting the run's shop
// levels. Each is one function over the hooks of dev/dev_stage.h. Pure.
#pragma once

#include "dev/dev_stage.h"

// "--capture-meteor": the warning ring, the rock entering at the top edge of the view, the fall,
// the impact cloud, and what it did to the creatures under it: a cavity and a kill.
void DevStageAbilityMeteor(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-spike": the blade rising, running 25 m, hovering, returning and sinking, cutting on
// both passes; then a shorter run against the arena's edge that turns back without hovering.
void DevStageAbilitySpike(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-support": the drone and its bolt trail, the sparks of a hit, a bun melting at its
// third bolt, the repel ring pushing six bodies, the dial.
void DevStageAbilitySupport(DevStage &stage, Field &field, DevStageHook hook);
