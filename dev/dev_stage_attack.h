// Staged captures of fusion and attacks: a fusion, limbs growing, a walker's legs and kick, dash
// and kick against a standing and a dodging player, a golem's throw and punches, its arms while it
// turns, boss 0's leap and dash. Each is one function over the hooks of dev/dev_stage.h. Pure.
#pragma once

#include "dev/dev_stage.h"

// "--capture-merge": five pictures of one fusion, the donor eyeless, mass and clay ledgers.
void DevStageAttackMerge(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-evolution": legs out of a 3 + 1 fusion, torso and arms out of 5 + 2, no jump in height.
void DevStageAttackEvolution(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-walker": alternating legs, a kick on a planted support foot.
void DevStageAttackWalker(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-attack": a dash and a kick against a standing and a dodging player; the latches and
// the hearts the game step's contact queries took.
void DevStageAttackDashKick(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-golem": grab, throw landing past the locked spot, puddle, reassembly, alternating punches.
void DevStageAttackGolem(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-golem-turns": the arms' lag while a golem turns after a passing player.
void DevStageAttackGolemTurns(DevStage &stage, Field &field, DevStageHook hook);
// Adds to `stage`'s report the same run at other rates and the promise that they agree.
void DevStageAttackGolemTurnsCompare(DevStage &stage, const DevStage *const *variants, int count);
// "--capture-boss-attacks": boss 0's leap to its apex, then its dash.
void DevStageAttackBoss(DevStage &stage, Field &field, DevStageHook hook);
