// Golem arms and attacks: the procedural torso and arms (MudArmPose) with their bounded turn
// spring, the alternating punch, the exclusive pickup of lone buns, the throw at the locked spot,
// and the thrown bun's flight, puddle and reassembly. The attacks hurt nobody here: they set the
// latches and sweeps the contact queries read (punchActive with the striking hand's motion
// between previousArms and the current pose; projectileActive with flightFrom -> flightTo).
// Ownership: a golem's heldBun and its bun's holder always name each other while the bun is
// MUD_HELD; a reservation is exclusive because a bun with a holder is never a candidate.
#pragma once

#include "mud/mud_pool.h"

constexpr float MUD_PUNCH_WINDUP_SECONDS = 0.72f;
constexpr float MUD_PUNCH_STRIKE_SECONDS = 0.22f;
constexpr float MUD_PUNCH_RECOVERY_SECONDS = 0.62f;
constexpr float MUD_GRAB_SECONDS = 0.8f;
constexpr float MUD_THROW_WINDUP_SECONDS = 0.32f;
constexpr float MUD_THROW_RELEASE_AT = 0.55f;     // share of the throw windup
constexpr float MUD_THROW_FOLLOW_SECONDS = 0.65f;
constexpr float MUD_THROW_OVERRUN = 0.8f;         // metres past the locked point
constexpr float MUD_PUDDLE_SECONDS = 1.15f;
constexpr float MUD_REASSEMBLY_SECONDS = 1.1f;
constexpr float MUD_ARM_LAG_LIMIT = 0.4f;         // radians
constexpr float MUD_ARM_SPEED_LIMIT = 6.0f;       // rad/s

// Torso and arms of a living golem-shaped slot. Without arms (growth 0.001 or less, no mass,
// buried or free) every joint sits at the body centre and `valid` is false.
MudArmPose MudGolemArmPose(const MudSlot &slot, bool *valid);
// First-frame state of the arm spring: no lag, the current heading remembered.
void MudGolemArmSpringInit(MudSlot &slot);
// Arm spring after the gait: the exact damped response to this update's turn, bounded to
// +-MUD_ARM_LAG_LIMIT; bodies without arms keep no lag. Nothing changes unless dt > 0.
void MudGolemArmSpringStep(MudSlot &slot, float dt);
// Every free golem reserves the nearest lone one-clod bun within reach and starts its grab,
// aimed at the player (attacks enabled only).
void MudGolemPickups(MudPool &pool, Vector3 player);
// Starts an alternating punch at the player; true.
bool MudGolemStartPunch(MudPool &pool, int i, Vector3 player);
// Punch, grab and throw states of a slot whose timer has been advanced; true when it claimed it.
bool MudGolemAttackStep(MudPool &pool, int i);
// Held, thrown, puddle and reassembly states of a bun; true when it claimed the slot.
bool MudGolemThrownStep(MudPool &pool, int i);
// Held buns sit in their golem's active hand (end of each update).
void MudGolemHeldFollow(MudPool &pool);
// Throws golem g's held bun at its locked spot; when the bun is no longer held by g the release
// only clears heldBun. True when a bun was thrown.
bool MudGolemRelease(MudPool &pool, int g);
