// Mudling fusion: touching compatible bodies fuse over 1.05 s, the heavier absorbing the lighter,
// clay volume and mass conserved at every instant; walkers and golems grow their limbs out of the
// fusion progress. Runs inside MudPoolUpdate (pairing three times, the step in the state pass).
#pragma once

#include "mud/mud_pool.h"

constexpr float MUD_FUSION_SECONDS = 1.05f;   // absorbing phase
constexpr float MUD_FUSION_REST = 0.55f;      // rest of the fused body afterwards
constexpr float MUD_FUSION_CUT_REST = 0.35f;  // rest of both bodies after an interruption
constexpr float MUD_FUSION_MAX_MASS = 9.0f;   // clods of the largest fused body

// Slots i and j may fuse: ordinary formed bodies on the ground, merging on, masses summing to at
// most 9 (a golem never takes a single clod), a line clear of the shuttle, and in director mode
// no fused form beyond the director's target. Also decides whether they block each other.
bool MudMergeCompatible(const MudPool &pool, int i, int j);
// Starts a fusion for every resting, crouching or walking body that touches a compatible one
// (the first in slot order); each body joins at most one fusion. A donor left without its
// survivor first rests again with its own clay.
void MudMergePairing(MudPool &pool);
// Advances the fusion driven by absorbing slot `a` by dt and completes it at its end, handing the
// overshoot on to the fused body's rest.
void MudMergeStep(MudPool &pool, int a, float dt);
// Undoes the fusion slot i takes part in (either side): both bodies rest again with exactly the
// clay and growth they had when it began. No-op for a slot that is not fusing or a stale partner.
void MudMergeInterrupt(MudPool &pool, int i);
