// Staged captures of the mudling pool: a birth and the wounds of the clay, a crowd, a pursuit
// around the shuttle. Each is one function over the hooks of dev/dev_stage.h. Pure: no window.
#pragma once

#include "dev/dev_stage.h"

// "--capture-mud": a warning mound, the emergence jump with its strand and crater, the wobble, a
// hop and its landing splash; then a cavity, a living cut, a split corpse drifting apart and
// flattening, chunks landing, the deposit as a raised patch that a walk across presses down, and
// the birth crater outliving its freed slot.
void DevStageMudCapture(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-crowd": 30 bodies closing in on a standing player; the largest overlap.
void DevStageMudCrowd(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-pursuit": one bun hopping around the shuttle to a player on its far side.
void DevStageMudPursuit(DevStage &stage, Field &field, DevStageHook hook);
