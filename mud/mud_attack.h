// Ordinary mudling attacks: the bun's dash (windup, dash, recovery), boss 0's leap, and the
// walker's kick (windup, strike, recovery) with its leg pose. Aims are locked when the windup
// begins. The attacks hurt nobody here: they set the latches and sweeps the contact queries read
// (dashActive with dashFrom/dashTo/dashElapsed/dashDuration, kickActive with the kicking foot).
#pragma once

#include "mud/mud_pool.h"

constexpr float MUD_DASH_WINDUP_SECONDS = 1.15f;
constexpr float MUD_BOSS_WINDUP_SECONDS = 1.35f;
constexpr float MUD_DASH_SPEED = 10.5f;         // m/s
constexpr float MUD_BOSS_DASH_SPEED = 18.0f;    // m/s
constexpr float MUD_DASH_OVERRUN = 2.0f;        // metres past the locked point
constexpr float MUD_BOSS_DASH_LENGTH = 18.0f;   // boss 0 crosses at least this far
constexpr float MUD_DASH_MIN_SECONDS = 0.08f;
constexpr float MUD_DASH_RECOVERY_SECONDS = 0.68f;
constexpr float MUD_LEAP_SECONDS = 1.65f;
constexpr float MUD_LEAP_APEX = 6.5f;           // metres above the rest height
constexpr float MUD_KICK_WINDUP_SECONDS = 0.75f;
constexpr float MUD_KICK_STRIKE_SECONDS = 0.2f;
constexpr float MUD_KICK_RECOVERY_SECONDS = 0.45f;

// The slot is boss 0, the giant bun that alternates its dash with a leap.
bool MudAttackIsBossZero(const MudSlot &slot);
// Unit horizontal direction from the slot to `target`; the heading when closer than 0.001 m.
Vector3 MudAttackAim(const MudSlot &slot, Vector3 target);
// Locks the aim on the player's spot on the ground: lockedTarget, attackBase, attackDir, yaw.
void MudAttackLockTarget(MudSlot &slot, Vector3 player);
// Sweep duration of a dash cut short at `stop`: the planned duration scaled by the travelled
// fraction of the dash line, which on the line is min(duration, elapsed). Every cut dash (a push,
// the crowd, the shuttle, recovery of a dash already over) takes its sweep end from here.
float MudAttackCutSweepDuration(const MudSlot &slot, Vector3 stop);

// Starts the dash windup at the player (the rest decision has checked reach, cooldown and the
// line). Always starts one; returns true.
bool MudAttackStartDashWindup(MudPool &pool, int i, Vector3 player);
// Pose of the dash windup, dash, dash recovery and boss leap at the slot's phase clock.
void MudAttackBunFrame(MudPool &pool, int i);
// End action of those states; false for any other state. The slot's timer still holds the
// ended phase's time (the caller carries the overshoot afterwards).
bool MudAttackBunEnd(MudPool &pool, int i);

// Starts a walker's kick at the player; true.
bool MudAttackStartKick(MudPool &pool, int i, Vector3 player);
// Kick windup, strike and recovery of a slot whose timer has been advanced for this update.
void MudAttackKickStep(MudPool &pool, int i);
// Foot of leg `leg` (0 left, 1 right) in the kick states and the sideways offset (units of R)
// the knee follows; false outside the kick states.
bool MudAttackKickFoot(const MudSlot &slot, int leg, float limbRadius, Vector3 *foot, float *sideways);
