// Mudling movement: footprint and contact radii, the pushed move every sideways displacement goes
// through, hop and walking steering, the walking step and gait, the walking leg pose, the shuttle
// push-out and the crowd contact solve. Runs inside MudPoolUpdate; pure functions of the pool.
#pragma once

#include "mud/mud_pool.h"

// The crowd solve stops after a pass whose largest overlap is below this (metres).
constexpr float MUD_CROWD_SETTLED = 0.002f;
constexpr int MUD_CROWD_PASSES = 12;

// Base contact radius rb: R x 1.9 while winding up or dashing, else R x (1.42 - 0.28 s(walker
// growth)); at least 1.12 x scale.z in dash recovery.
float MudGaitBaseRadius(const MudSlot &slot);
// Contact radius rc: rb, at least 1.65 R for golem shapes and 2.3 R for puddles and reassembly.
float MudGaitContactRadius(const MudSlot &slot);
// Footprint half-extents (x, z) for arena clamps: the rotated bun ellipse with its lobes, or
// (rc, rc) for every other body.
Vector2 MudGaitFootprint(const MudSlot &slot);
// Distance at which slots i and j touch.
float MudGaitPairReach(const MudPool &pool, int i, int j);
// Inverse mass for contacts: 0 for immovable bodies (gatherer, buried, emerging, dashing, leaping).
float MudGaitPushWeight(const MudPool &pool, int i);
// Knockback and repel may shove the slot (index valid, formed, not carrying or carried, not
// fusing, not in a pickup or throw).
bool MudGaitPushable(const MudPool &pool, int i);
// The only sideways displacement of a body (and of its fusion partner): clamped into the arena
// and out of the shuttle, carried by its anchors. A corrected move shorter than
// MUD_PUSH_EPSILON changes nothing; a real one ends a dash. Returns the move applied.
Vector3 MudGaitPushedMove(MudPool &pool, int i, Vector3 d);
// Ends a dash where the body stands: dash recovery with the sweep cut at the stopping point.
void MudGaitStopDash(MudSlot &slot);
// Moves every body that entered the shuttle this update back out of it.
void MudGaitShuttlePushOut(MudPool &pool);
// Separates overlapping bodies (at most MUD_CROWD_PASSES passes, fewer once a pass meets no
// overlap of MUD_CROWD_SETTLED); returns the largest overlap the last pass met, metres.
float MudGaitCrowdSolve(MudPool &pool);
// Hop direction for slot i wanting to go along unit `desired` for `length` metres, bent around
// crowd and shuttle; y = 0.
Vector3 MudGaitHopSteer(MudPool &pool, int i, Vector3 desired, float length);
// Walking direction for slot i towards `player` with `remaining` metres to go; updates the
// bypass side and gaitDir.
Vector3 MudGaitBypassSteer(MudPool &pool, int i, Vector3 desired, Vector3 player, float remaining, float dt);
// Walking speed of the slot, m/s.
float MudGaitWalkSpeed(const MudSlot &slot);
// Close-contact distance at which a walker stops before the player, metres.
float MudGaitCloseContact(const MudSlot &slot);
// The walking step of a slot in MUD_WALKING; true when it claimed the slot.
bool MudGaitWalk(MudPool &pool, int i, Vector3 player, float dt);
// Phase, weight, footfalls, heading, bob of a walking slot after the contacts.
void MudGaitUpdate(MudSlot &slot, float dt);
// The walking leg pose. When the slot has no legs (visibility 0.001 or less, no mass, buried or
// free) every joint sits at the body centre; `valid` says which.
MudLegPose MudGaitLegPose(const MudSlot &slot, bool *valid);
// Joint p of radius r moved radially out of the shuttle cylinder when it lies within its slab.
Vector3 MudGaitKeepOutOfShuttle(const MudObstacle &obstacle, Vector3 p, float r);
// Point at parameter t of the limb curve from `root` to `tip` with control point `middle`.
Vector3 MudGaitLimbPoint(Vector3 root, Vector3 middle, Vector3 tip, float t);
